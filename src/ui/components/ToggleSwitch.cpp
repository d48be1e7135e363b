#include "ui/components/ToggleSwitch.h"

#include "ui/components/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace corvane {
namespace {

constexpr qreal trackWidth = 34;
constexpr qreal trackHeight = 20;
constexpr qreal knobInset = 2;
constexpr qreal focusRing = 2;

} // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    const int ring = Theme::scaled(focusRing) * 2;
    return {Theme::scaled(trackWidth) + ring, Theme::scaled(trackHeight) + ring};
}

void ToggleSwitch::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const qreal ring = Theme::scaled(focusRing);
    const QRectF track = QRectF(rect()).adjusted(ring, ring, -ring, -ring);
    const qreal radius = track.height() / 2;
    const QColor text = Theme::colour(Theme::Colour::primary, colours);
    QColor fill = isChecked() ? Theme::colour(Theme::Colour::accent, colours)
                              : Theme::blend(text, colours.color(QPalette::Base), Theme::isDark(colours) ? 0.28 : 0.18);
    if (!isEnabled()) {
        fill = Theme::withOpacity(fill, 0.5);
    }
    if (hasFocus()) {
        painter.setPen(QPen(Theme::withOpacity(Theme::colour(Theme::Colour::accent, colours), 0.5), ring));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(
            track.adjusted(-ring / 2, -ring / 2, ring / 2, ring / 2), radius + ring / 2, radius + ring / 2);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);

    const qreal inset = Theme::scaled(knobInset);
    const qreal knob = track.height() - 2 * inset;
    const qreal left = isChecked() ? track.right() - inset - knob : track.left() + inset;
    const QRectF knobRect(left, track.top() + inset, knob, knob);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knobRect.translated(0, 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knobRect);
}

} // namespace corvane
