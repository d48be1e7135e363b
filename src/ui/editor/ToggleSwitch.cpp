#include "ui/editor/ToggleSwitch.h"

#include "ui/components/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace corvane {
namespace {

constexpr qreal trackWidth = 32;
constexpr qreal trackHeight = 18;
constexpr qreal knobInset = 2;
constexpr qreal offTrackOpacity = 0.18;
constexpr qreal disabledOpacity = 0.45;
constexpr qreal focusRingWidth = 2;

} // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    const int margin = Theme::scaled(focusRingWidth);
    return {Theme::scaled(trackWidth) + 2 * margin, Theme::scaled(trackHeight) + 2 * margin};
}

void ToggleSwitch::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) {
        painter.setOpacity(disabledOpacity);
    }
    const QPalette& colours = palette();
    const qreal margin = Theme::scaled(focusRingWidth);
    const QRectF track(
        margin, (height() - Theme::scaled(trackHeight)) / 2.0, Theme::scaled(trackWidth), Theme::scaled(trackHeight));
    const qreal radius = track.height() / 2;
    const QColor text = colours.color(QPalette::WindowText);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? colours.color(QPalette::Highlight) : Theme::withOpacity(text, offTrackOpacity));
    painter.drawRoundedRect(track, radius, radius);

    const qreal knob = track.height() - 2 * Theme::scaled(knobInset);
    const qreal knobX
        = isChecked() ? track.right() - Theme::scaled(knobInset) - knob : track.left() + Theme::scaled(knobInset);
    painter.setBrush(Qt::white);
    painter.setPen(QPen(Theme::withOpacity(Qt::black, 0.12), 0.5));
    painter.drawEllipse(QRectF(knobX, track.top() + Theme::scaled(knobInset), knob, knob));

    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::withOpacity(colours.color(QPalette::Highlight), 0.6), focusRingWidth));
        const qreal outset = focusRingWidth / 2;
        painter.drawRoundedRect(track.adjusted(-outset, -outset, outset, outset), radius + outset, radius + outset);
    }
}

} // namespace corvane
