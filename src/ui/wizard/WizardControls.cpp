#include "ui/wizard/WizardControls.h"

#include "ui/components/ProminentButton.h"
#include "ui/components/Symbols.h"

#include <QHBoxLayout>
#include <QPushButton>

#include <algorithm>

namespace corvane::WizardControls {
namespace {

constexpr int rowSpacing = 10;
constexpr int buttonExtraWidth = 12;

} // namespace

QPushButton* borderedButton(const QString& text, const QString& symbol, const Theme::Tint& tint)
{
    auto* button = new QPushButton(text);
    if (!symbol.isEmpty()) {
        button->setIcon(Symbols::icon(symbol, tint));
        button->setIconSize(QSize(Theme::symbolSize(12), Theme::symbolSize(12)));
    }
    button->setAutoDefault(true);
    button->setAccessibleName(text);
    // Room around the label in styles that draw bordered buttons tight.
    button->setMinimumWidth(button->sizeHint().width() + Theme::scaled(buttonExtraWidth));
    return button;
}

QPushButton* prominentButton(const QString& text, const QString& symbol)
{
    auto* button = new ProminentButton(text);
    if (!symbol.isEmpty()) {
        button->setIcon(Symbols::icon(symbol, Theme::Colour::white));
        button->setIconSize(QSize(Theme::symbolSize(13), Theme::symbolSize(13)));
    }
    button->setAccessibleName(text);
    return button;
}

QWidget* row(const QList<QWidget*>& items)
{
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(rowSpacing));
    // Buttons side by side share the tallest one's height.
    int height = 0;
    for (const QWidget* item : items) {
        height = std::max({height, item->sizeHint().height(), item->minimumHeight()});
    }
    for (QWidget* item : items) {
        item->setMinimumHeight(height);
        layout->addWidget(item);
    }
    layout->addStretch();
    return widget;
}

} // namespace corvane::WizardControls
