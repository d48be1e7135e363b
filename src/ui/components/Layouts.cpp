#include "ui/components/Layouts.h"

#include "ui/components/Theme.h"

#include <QVBoxLayout>
#include <QWidget>

namespace corvane::Layouts {

QWidget* column(const QList<QWidget*>& items, int spacing)
{
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(spacing));
    for (QWidget* item : items) {
        layout->addWidget(item);
    }
    return widget;
}

} // namespace corvane::Layouts
