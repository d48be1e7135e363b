#pragma once

#include <QWidget>

class QProgressBar;
class QPushButton;

namespace corvane {

class AppState;
class StyledLabel;

// The screen of a signed-out app: a greeting, one sentence on what signing in does, the Sign in
// button (busy while a sign-in runs) and the last error, if any.
class SignInView : public QWidget {
    Q_OBJECT

public:
    explicit SignInView(AppState& state, QWidget* parent = nullptr);

    QPushButton* signInButton() const { return m_button; }
    StyledLabel* errorLabel() const { return m_error; }

private:
    void refresh();

    AppState& m_state;
    QPushButton* m_button;
    QProgressBar* m_progress;
    StyledLabel* m_error;
};

} // namespace corvane
