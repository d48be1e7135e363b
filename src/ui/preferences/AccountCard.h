#pragma once

#include "ui/components/Card.h"

class QPushButton;

namespace corvane {

class AppState;
class StyledLabel;

// The account's sign-in state: the account's e-mail (or "Signed in") with "Sign out", or "Not signed
// in" with "Sign in", which is unavailable while a sign-in runs.
class AccountCard : public Card {
    Q_OBJECT

public:
    explicit AccountCard(AppState& state, QWidget* parent = nullptr);

    StyledLabel* accountLabel() const { return m_account; }
    QPushButton* signInButton() const { return m_signIn; }
    QPushButton* signOutButton() const { return m_signOut; }

private:
    void follow();

    AppState& m_state;
    StyledLabel* m_account;
    QPushButton* m_signIn;
    QPushButton* m_signOut;
};

} // namespace corvane
