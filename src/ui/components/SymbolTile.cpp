#include "ui/components/SymbolTile.h"

#include "ui/components/Symbols.h"
#include "ui/components/Theme.h"
#include "ui/components/ThemeNotifier.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <utility>

namespace corvane {

namespace {

constexpr qreal gradientEndOpacity = 0.7;
constexpr qreal tintedOpacity = 0.18;
// The symbol never takes more of the square than this, whatever the font scale.
constexpr qreal largestSymbolShare = 0.75;

} // namespace

SymbolTile::SymbolTile(QString symbol, QWidget* parent) : QWidget(parent), m_symbol(std::move(symbol))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(ThemeNotifier::instance(), &ThemeNotifier::fontChanged, this, qOverload<>(&QWidget::update));
}

void SymbolTile::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    update();
}

void SymbolTile::setMetrics(int side, qreal cornerRadius, qreal symbolFontPixels)
{
    m_side = side;
    m_cornerRadius = cornerRadius;
    m_symbolFontPixels = symbolFontPixels;
    updateGeometry();
    update();
}

void SymbolTile::setFill(Fill fill)
{
    m_fill = fill;
    update();
}

void SymbolTile::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        update();
    }
}

void SymbolTile::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square((width() - m_side) / 2.0, (height() - m_side) / 2.0, m_side, m_side);
    QPainterPath shape;
    shape.addRoundedRect(square, m_cornerRadius, m_cornerRadius);
    const QColor accent = Theme::colour(Theme::Colour::accent, palette());
    QColor symbolColour = Qt::white;
    if (m_fill == Fill::gradient) {
        QLinearGradient gradient(square.topLeft(), square.bottomRight());
        gradient.setColorAt(0, accent);
        gradient.setColorAt(1, Theme::withOpacity(accent, gradientEndOpacity));
        painter.fillPath(shape, gradient);
    } else {
        painter.fillPath(shape, Theme::withOpacity(accent, tintedOpacity));
        symbolColour = accent;
    }
    const int side = std::min(Theme::symbolSize(m_symbolFontPixels), static_cast<int>(m_side * largestSymbolShare));
    const QPixmap symbol = Symbols::pixmap(m_symbol, side, symbolColour, devicePixelRatioF());
    painter.drawPixmap((square.center() - QPointF(side / 2.0, side / 2.0)).toPoint(), symbol);
}

} // namespace corvane
