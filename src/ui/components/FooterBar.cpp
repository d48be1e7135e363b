#include "ui/components/FooterBar.h"

#include "ui/components/Divider.h"
#include "ui/components/Theme.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace corvane {
namespace {

constexpr int horizontalPadding = 24;
constexpr int verticalPadding = 12;
constexpr int spacing = 8;

} // namespace

FooterBar::FooterBar(const QList<QWidget*>& leading, const QList<QWidget*>& trailing, QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout;
    const int horizontal = Theme::scaled(horizontalPadding);
    const int vertical = Theme::scaled(verticalPadding);
    row->setContentsMargins(horizontal, vertical, horizontal, vertical);
    row->setSpacing(Theme::scaled(spacing));
    for (QWidget* control : leading) {
        row->addWidget(control);
    }
    row->addStretch(1);
    for (QWidget* control : trailing) {
        row->addWidget(control);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new Divider);
    layout->addLayout(row);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

} // namespace corvane
