#pragma once

#include "ui/components/Theme.h"

#include <QList>
#include <QString>

class QPushButton;
class QWidget;

// The buttons and layouts the wizard's steps share.
namespace corvane::WizardControls {

// A bordered button that Return presses while it has the focus; no icon for an empty `symbol`.
QPushButton* borderedButton(
    const QString& text, const QString& symbol = {}, const Theme::Tint& tint = Theme::Colour::primary);
// The large accent-filled button of a step's main action.
QPushButton* prominentButton(const QString& text, const QString& symbol = {});

// `items` side by side, leading-aligned.
QWidget* row(const QList<QWidget*>& items);

} // namespace corvane::WizardControls
