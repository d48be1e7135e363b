#pragma once

#include <QList>

class QWidget;

namespace corvane::Layouts {

// `items` one above the other in a widget of their own, `spacing` points apart, without margins.
QWidget* column(const QList<QWidget*>& items, int spacing);

} // namespace corvane::Layouts
