#include "ui/components/StatusPill.h"

#include "ui/components/ThemeNotifier.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace corvane {

namespace {

constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 2;
constexpr qreal fillOpacity = 0.15;

} // namespace

StatusPill::StatusPill(const QString& label, Theme::Tint tint, QWidget* parent) : QWidget(parent), m_tint(tint)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(ThemeNotifier::instance(), &ThemeNotifier::fontChanged, this, &StatusPill::applyFont);
    applyFont();
    setLabel(label);
}

void StatusPill::setLabel(const QString& label)
{
    m_label = label;
    setAccessibleName(label);
    updateGeometry();
    update();
}

void StatusPill::setTint(const Theme::Tint& tint)
{
    m_tint = tint;
    update();
}

QSize StatusPill::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_label) + 2 * horizontalPadding, metrics.height() + 2 * verticalPadding};
}

void StatusPill::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        update();
    }
}

void StatusPill::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor tint = Theme::colour(m_tint, palette());
    const QRectF capsule = QRectF(rect());
    const qreal radius = capsule.height() / 2;
    QPainterPath shape;
    shape.addRoundedRect(capsule, radius, radius);
    painter.fillPath(shape, Theme::withOpacity(tint, fillOpacity));
    painter.setPen(tint);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, m_label);
}

void StatusPill::applyFont()
{
    setFont(Theme::font(Theme::TextStyle::caption2, QFont::Medium));
    updateGeometry();
}

} // namespace corvane
