#include "ui/components/SymbolView.h"

#include "ui/components/Symbols.h"
#include "ui/components/ThemeNotifier.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace corvane {

SymbolView::SymbolView(QString symbol, qreal fontPixels, Theme::Tint tint, QWidget* parent)
    : QWidget(parent), m_symbol(std::move(symbol)), m_fontPixels(fontPixels), m_tint(tint)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(ThemeNotifier::instance(), &ThemeNotifier::fontChanged, this, &SymbolView::refit);
    refit();
}

void SymbolView::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    update();
}

void SymbolView::setFontPixels(qreal fontPixels)
{
    m_fontPixels = fontPixels;
    refit();
}

void SymbolView::setTint(const Theme::Tint& tint)
{
    m_tint = tint;
    update();
}

void SymbolView::setBoxSize(const QSize& size)
{
    m_boxSize = size;
    refit();
}

QSize SymbolView::sizeHint() const
{
    const int side = Theme::symbolSize(m_fontPixels);
    return m_boxSize.isEmpty() ? QSize(side, side) : m_boxSize;
}

void SymbolView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        update();
    }
}

void SymbolView::paintEvent(QPaintEvent* /*event*/)
{
    const int side = std::min({Theme::symbolSize(m_fontPixels), width(), height()});
    const QColor colour = Theme::colour(m_tint, palette());
    const QPixmap pixmap
        = Symbols::pixmap(m_symbol, side, isEnabled() ? colour : Theme::withOpacity(colour, 0.4), devicePixelRatioF());
    QPainter painter(this);
    painter.drawPixmap((width() - side) / 2, (height() - side) / 2, pixmap);
}

void SymbolView::refit()
{
    updateGeometry();
    update();
}

} // namespace corvane
