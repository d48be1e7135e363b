#pragma once

#include "auth/AuthCoordinator.h"
#include "platform/BrowserAuthenticationSession.h"
#include "platform/DeleteLater.h"
#include "platform/DesktopNotifier.h"
#include "platform/SecretServiceStore.h"
#include "platform/TrayHostWatcher.h"
#include "service/ServiceClient.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QSystemTrayIcon>

#include <qcoro/qcorotask.h>

#include <memory>

namespace corvane {

class AppState;
class MainWindow;
class MenuBarPopover;

// The application: the one AppState, the main window, the tray icon with its panel, the links the
// browser sends back, and the clicks on notifications.
class CorvaneApp : public QObject {
    Q_OBJECT

public:
    // The API key lives in `secrets`: by default the desktop's Secret Service.
    explicit CorvaneApp(std::unique_ptr<SecretStore> secrets = std::make_unique<SecretServiceStore>());
    ~CorvaneApp() override;

    // How the program was started: by the user, or by the desktop at login.
    enum class Start { byUser, atLogin };

    // Creates the state and the window and shows it at once; the session stored by an earlier run
    // follows once the secret store answers (AppState::restoreSession()). The tray icon comes when the
    // desktop's tray host is on the bus, now or later in the session. Started at login with a tray to
    // live in, the window stays closed until it is asked for; without one, it opens.
    void launch(Start start = Start::byUser);

    // The tray icon's name for the state (TrayIcon::name).
    QString iconName() const;

    // Hands a corvane:// link to the waiting sign-in; ignored when none waits. `activationToken` is the
    // desktop's permission to bring the window forward (WindowActivation).
    void openLink(const QString& link, const QString& activationToken = {});
    void showMainWindow(const QString& activationToken = {});
    // Ends the application once a sign-out in progress has reached the secret store, waiting at most
    // a few seconds for it.
    QCoro::Task<> quit();

    AppState* state() const { return m_state.get(); }
    MainWindow* mainWindow() const { return m_window.get(); }
    MenuBarPopover* popover() const { return m_popover.get(); }
    // None until the desktop's tray host has been found.
    QSystemTrayIcon* trayIcon() const { return m_tray.get(); }
    SecretStore& secretStore() { return *m_secrets; }
    Notifier& notifier() { return m_notifier; }

signals:
    void launched();

private:
    void createTrayIcon();
    void updateTrayIcon();
    bool hasTray() const;
    void checkForUpdates();

    // Requests still running when the app goes are aborted through the event loop: their manager
    // stays until that has happened.
    std::unique_ptr<QNetworkAccessManager, DeleteLater> m_network{new QNetworkAccessManager};
    std::unique_ptr<SecretStore> m_secrets;
    ServiceClient m_client{*m_network, *m_secrets};
    BrowserAuthenticationSession m_browser;
    AuthCoordinator m_auth{m_client, *m_secrets, m_browser};
    DesktopNotifier m_notifier;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<MenuBarPopover> m_popover;
    TrayHostWatcher m_trayHost{QDBusConnection::sessionBus()};
    std::unique_ptr<QSystemTrayIcon> m_tray;
};

} // namespace corvane
