#pragma once

#include <QWidget>

namespace corvane {

class AppState;
class StyledLabel;

// What the main window shows while the key stored by an earlier run is being read: neither the
// sign-in screen nor the split view, only a small busy indicator, what it waits for and, when the
// keychain has not answered, why it still waits.
class ReadingKeyView : public QWidget {
    Q_OBJECT

public:
    explicit ReadingKeyView(AppState& state, QWidget* parent = nullptr);

private:
    void refresh();

    AppState& m_state;
    StyledLabel* m_problem;
};

} // namespace corvane
