#pragma once

#include <QColor>
#include <QMarginsF>
#include <QPointF>
#include <QRectF>

class QPainter;

// A soft shadow under a rounded rectangle, blurred like a Gaussian (three box blurs) and cached.
namespace corvane::DropShadow {

// Around a shape, how far its shadow of `blurRadius` moved by `offset` stays visible: the room a widget
// keeps free for it.
QMarginsF extent(qreal blurRadius, QPointF offset);

// Paints the shadow of the rounded rectangle `shape` (corner radius `cornerRadius`), in `colour`,
// blurred over `blurRadius` and moved by `offset`, for the painter's device pixel ratio.
void paint(
    QPainter& painter, const QRectF& shape, qreal cornerRadius, const QColor& colour, qreal blurRadius, QPointF offset);

} // namespace corvane::DropShadow
