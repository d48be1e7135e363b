#include "ui/wizard/StepIndicator.h"

#include "ui/components/Theme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace corvane {
namespace {

constexpr qreal capsuleHeight = 3;
constexpr qreal capsuleSpacing = 6;
constexpr int horizontalPadding = 24;
constexpr int bottomPadding = 14;
constexpr qreal faintOpacity = 0.12;

} // namespace

StepIndicator::StepIndicator(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(tr("Progress"));
    setCurrent(0);
}

void StepIndicator::setCurrent(int index)
{
    m_current = index;
    setAccessibleDescription(tr("Step %1 of %2").arg(index + 1).arg(stepCount));
    update();
}

QSize StepIndicator::sizeHint() const
{
    return {Theme::scaled(2 * horizontalPadding), Theme::scaled(capsuleHeight) + Theme::scaled(bottomPadding)};
}

void StepIndicator::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        updateGeometry();
        update();
    }
}

void StepIndicator::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal height = Theme::scaled(capsuleHeight);
    const qreal spacing = Theme::scaled(capsuleSpacing);
    const qreal left = Theme::scaled(horizontalPadding);
    const qreal capsuleWidth = (width() - 2 * left - spacing * (stepCount - 1)) / stepCount;
    const QColor accent = Theme::colour(Theme::Colour::accent, palette());
    const QColor faint = Theme::withOpacity(Theme::colour(Theme::Colour::primary, palette()), faintOpacity);
    for (int index = 0; index < stepCount; ++index) {
        QPainterPath capsule;
        capsule.addRoundedRect(
            QRectF(left + index * (capsuleWidth + spacing), 0, capsuleWidth, height), height / 2, height / 2);
        painter.fillPath(capsule, index <= m_current ? accent : faint);
    }
}

} // namespace corvane
