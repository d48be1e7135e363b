#include "ui/preferences/AccountCard.h"

#include "core/AppState.h"
#include "ui/components/ProminentButton.h"
#include "ui/components/StyledLabel.h"

#include <QHBoxLayout>

namespace corvane {

AccountCard::AccountCard(AppState& state, QWidget* parent)
    : Card(tr("Account"), nullptr, parent), m_state(state), m_account(new StyledLabel({}, Theme::TextStyle::callout)),
      m_signIn(new ProminentButton(tr("Sign in"), ProminentButton::Size::compact)),
      m_signOut(new QPushButton(tr("Sign out")))
{
    m_account->setSelectable();
    m_signIn->setAccessibleName(tr("Sign in"));
    m_signOut->setAccessibleName(tr("Sign out"));

    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(8));
    layout->addWidget(m_account, 1);
    layout->addWidget(m_signOut);
    layout->addWidget(m_signIn);
    setContent(row);

    connect(m_signIn, &QPushButton::clicked, this, [this] { m_state.signIn(); });
    connect(m_signOut, &QPushButton::clicked, this, [this] { m_state.signOut(); });
    connect(&m_state, &AppState::signedInChanged, this, &AccountCard::follow);
    connect(&m_state, &AppState::signingInChanged, this, &AccountCard::follow);
    connect(&m_state, &AppState::signingOutChanged, this, &AccountCard::follow);
    connect(&m_state, &AppState::accountEmailChanged, this, &AccountCard::follow);
    follow();
}

void AccountCard::follow()
{
    const bool signedIn = m_state.signedIn();
    if (signedIn) {
        m_account->setText(m_state.accountEmail().value_or(tr("Signed in")));
        m_account->setTextStyle(Theme::TextStyle::callout, QFont::Medium);
        m_account->setTint(Theme::Colour::primary);
    } else {
        m_account->setText(tr("Not signed in"));
        m_account->setTextStyle(Theme::TextStyle::callout);
        m_account->setTint(Theme::Colour::secondary);
    }
    m_signOut->setVisible(signedIn);
    m_signOut->setEnabled(!m_state.signingOut());
    m_signIn->setVisible(!signedIn);
    m_signIn->setEnabled(!m_state.signingIn());
}

} // namespace corvane
