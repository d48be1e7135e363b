#include "ui/components/SymbolIconEngine.h"

#include "ui/components/Symbols.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace corvane {

namespace {

constexpr qreal disabledOpacity = 0.4;

} // namespace

SymbolIconEngine::SymbolIconEngine(QString name, Theme::Tint tint) : m_name(std::move(name)), m_tint(tint)
{
}

void SymbolIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap symbol = scaledPixmap(rect.size(), mode, state, ratio);
    painter->drawPixmap(rect.topLeft(), symbol);
}

QPixmap SymbolIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap SymbolIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State /*state*/, qreal scale)
{
    const int side = std::min(size.width(), size.height());
    QPixmap symbol = Symbols::pixmap(m_name, side, colourFor(mode), scale);
    if (symbol.isNull() || size.width() == size.height()) {
        return symbol;
    }
    // Centred in the requested rectangle, as a QIcon of another aspect ratio would be.
    QPixmap result(size * scale);
    result.setDevicePixelRatio(scale);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawPixmap(QPointF((size.width() - side) / 2.0, (size.height() - side) / 2.0), symbol);
    return result;
}

QIconEngine* SymbolIconEngine::clone() const
{
    return new SymbolIconEngine(m_name, m_tint);
}

QString SymbolIconEngine::key() const
{
    return QStringLiteral("corvane.symbol");
}

QString SymbolIconEngine::iconName()
{
    return m_name;
}

bool SymbolIconEngine::isNull()
{
    return !Symbols::contains(m_name);
}

QColor SymbolIconEngine::colourFor(QIcon::Mode mode) const
{
    const QPalette palette = QApplication::palette();
    switch (mode) {
    case QIcon::Disabled:
        return Theme::withOpacity(Theme::colour(m_tint, palette), disabledOpacity);
    case QIcon::Selected:
        return palette.color(QPalette::HighlightedText);
    case QIcon::Normal:
    case QIcon::Active:
        break;
    }
    return Theme::colour(m_tint, palette);
}

} // namespace corvane
