#pragma once

#include <QWidget>

#include <memory>
#include <optional>

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace corvane {

class AccountCard;
class AppState;
class ConnectionStatusCard;
class LoginItem;
class LoginItemRow;
class SecretStore;
class TransientConfirmation;

// The Preferences screen: the account, the connection settings (service URL, API token, poll interval)
// as a working copy that only "Save" writes back ("Saved" confirms it once the token is stored), the
// login item and the connection's status. The working copy is read when the screen is made (the token
// once the secret store answers) and lives as long as the screen.
class PreferencesView : public QWidget {
    Q_OBJECT

public:
    PreferencesView(
        AppState& state, SecretStore& secrets, std::unique_ptr<LoginItem> loginItem, QWidget* parent = nullptr);
    ~PreferencesView() override;

    // The poll interval in whole seconds for a stored "pollIntervalMs": 4 for 0 or less, 1 below 1000,
    // otherwise the milliseconds divided by 1000, rounded down; at most 60.
    static int pollSeconds(qint64 storedMilliseconds);

    // Whether the working copy differs from what is stored; false while the token is being read.
    bool hasChanges() const;
    // Writes the service URL as typed, the token, then the interval, and restarts polling with them.
    void save();
    // Puts the stored values back into the working copy; the token stays revealed or masked.
    void revert();

    QLineEdit* serviceURLField() const { return m_serviceURL; }
    QLineEdit* tokenField() const { return m_token; }
    QPushButton* revealButton() const { return m_reveal; }
    QSpinBox* pollIntervalBox() const { return m_pollInterval; }
    QPushButton* revertButton() const { return m_revert; }
    QPushButton* saveButton() const { return m_save; }
    AccountCard* accountCard() const { return m_account; }
    LoginItemRow* loginItemRow() const { return m_loginItem; }
    ConnectionStatusCard* statusCard() const { return m_status; }

private:
    QWidget* makeServiceCard();
    QWidget* makeBehaviourCard(std::unique_ptr<LoginItem> loginItem);
    // Revert and Save, beneath the scrolling cards.
    QWidget* makeFooter();
    void readToken();
    void setRevealed(bool revealed);
    void showChanges();

    AppState& m_state;
    SecretStore& m_secrets;
    AccountCard* m_account;
    QLineEdit* m_serviceURL = nullptr;
    QLineEdit* m_token = nullptr;
    QPushButton* m_reveal = nullptr;
    QSpinBox* m_pollInterval = nullptr;
    LoginItemRow* m_loginItem = nullptr;
    ConnectionStatusCard* m_status;
    QPushButton* m_revert = nullptr;
    QPushButton* m_save = nullptr;
    TransientConfirmation* m_saved = nullptr;
    // The token in the secret store; none until it has been read.
    std::optional<QString> m_storedToken;
    bool m_saving = false;
};

} // namespace corvane
