#pragma once

#include "core/SidebarSelection.h"

#include <QWidget>

#include <optional>

namespace corvane {

class AppState;

// The detail column: a function of the sidebar selection. Moving the selection to another screen
// creates that screen anew, so leaving a screen discards what it held.
class DetailPane : public QWidget {
    Q_OBJECT

public:
    explicit DetailPane(AppState& state, QWidget* parent = nullptr);

    QWidget* screen() const { return m_screen; }

    // The screen for `selection`, made fresh.
    static QWidget* makeScreen(AppState& state, const std::optional<SidebarSelection>& selection);

private:
    void route();

    AppState& m_state;
    std::optional<SidebarSelection> m_shown;
    QWidget* m_screen = nullptr;
};

} // namespace corvane
