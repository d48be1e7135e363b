#include "ui/shell/CountBadge.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace corvane {

CountBadge::CountBadge(qint64 count, Look look, QWidget* parent) : QWidget(parent), m_count(count), m_look(look)
{
    // The desktop's sans fonts set digits at one width already.
    setFont(Theme::font(Theme::TextStyle::caption2, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text());
}

void CountBadge::setCount(qint64 count)
{
    if (count == m_count) {
        return;
    }
    m_count = count;
    setAccessibleName(text());
    updateGeometry();
    update();
}

QSize CountBadge::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int height = metrics.height() + Theme::scaled(2);
    const int width = std::max(height, metrics.horizontalAdvance(text()) + 2 * Theme::scaled(m_look.horizontalPadding));
    return {width, height};
}

void CountBadge::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

void CountBadge::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath capsule;
    capsule.addRoundedRect(box, box.height() / 2, box.height() / 2);
    painter.fillPath(capsule, Theme::withOpacity(Theme::colour(m_look.fill, palette()), m_look.fillOpacity));
    painter.setPen(Theme::colour(m_look.text, palette()));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace corvane
