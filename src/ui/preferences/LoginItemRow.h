#pragma once

#include "platform/LoginItem.h"

#include <QWidget>

#include <memory>

namespace corvane {

class StyledLabel;
class ToggleSwitch;

// "Open at login": a switch showing whether the login item is enabled, the login item's status beneath
// its title, and in red the error of the last change that failed. After every change the switch shows
// the real state again, so a change that failed or waits for approval leaves it where the desktop is.
class LoginItemRow : public QWidget {
    Q_OBJECT

public:
    explicit LoginItemRow(std::unique_ptr<LoginItem> loginItem, QWidget* parent = nullptr);
    ~LoginItemRow() override;

    // The line shown for each status.
    static QString statusText(LoginItem::Status status);

    ToggleSwitch* toggle() const { return m_switch; }
    // Hidden while there is no error.
    StyledLabel* errorLabel() const { return m_error; }
    StyledLabel* statusLabel() const { return m_status; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setOpenAtLogin(bool on);
    void showStatus();

    std::unique_ptr<LoginItem> m_loginItem;
    ToggleSwitch* m_switch;
    StyledLabel* m_status;
    StyledLabel* m_error;
    // While the switch is set to the real state, which is not a change to make.
    bool m_showing = false;
};

} // namespace corvane
