#include "ui/shell/StatusDot.h"

#include <QPainter>

#include <algorithm>

namespace corvane {

StatusDot::StatusDot(qreal diameter, qreal haloDiameter, qreal haloOpacity, int boxSize, QWidget* parent)
    : QWidget(parent), m_diameter(diameter), m_haloDiameter(haloDiameter), m_haloOpacity(haloOpacity),
      m_boxSize(boxSize)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusDot::setTint(const Theme::Tint& tint)
{
    m_tint = tint;
    update();
}

void StatusDot::setHaloOpacity(qreal opacity)
{
    m_haloOpacity = opacity;
    update();
}

QSize StatusDot::sizeHint() const
{
    const int side = Theme::scaled(std::max({m_diameter, m_haloDiameter, static_cast<qreal>(m_boxSize)}));
    return {side, side};
}

void StatusDot::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor colour = Theme::colour(m_tint, palette());
    const QPointF centre = QRectF(rect()).center();
    if (m_haloDiameter > 0) {
        const qreal radius = Theme::scaled(m_haloDiameter) / 2.0;
        painter.setBrush(Theme::withOpacity(colour, m_haloOpacity));
        painter.drawEllipse(centre, radius, radius);
    }
    const qreal radius = Theme::scaled(m_diameter) / 2.0;
    painter.setBrush(colour);
    painter.drawEllipse(centre, radius, radius);
}

} // namespace corvane
