#include "ui/shell/CorvaneApp.h"

#include "core/AppState.h"
#include "service/AppSettings.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/MenuBarPopover.h"
#include "ui/shell/TrayIcon.h"
#include "update/Updater.h"

#include "BuildSettings.h"

#include <QApplication>
#include <QDesktopServices>

namespace corvane {

using namespace std::chrono_literals;

CorvaneApp::CorvaneApp(std::unique_ptr<SecretStore> secrets)
    : m_secrets(std::move(secrets)), m_notifier(QDBusConnection::sessionBus(), QStringLiteral(CORVANE_SOUNDS_FOLDER))
{
    connect(&m_notifier, &Notifier::linkRequested, this, [](const QUrl& link) { QDesktopServices::openUrl(link); });
    connect(&m_notifier, &Notifier::payloadRequested, this, [this](const QString& payloadId) {
        if (m_window) {
            m_window->showPayload(payloadId);
        }
    });
}

CorvaneApp::~CorvaneApp() = default;

QString CorvaneApp::iconName() const
{
    return m_state ? TrayIcon::name(m_state->signedIn(), m_state->connected(), m_state->paused())
                   : TrayIcon::name(false, false, false);
}

void CorvaneApp::launch(Start start)
{
    m_state = std::make_unique<AppState>(m_client, *m_secrets, m_auth, m_notifier, false, AppSettings::accountEmail());
    m_state->restoreSession();
    m_window = std::make_unique<MainWindow>(*m_state);
    m_popover = std::make_unique<MenuBarPopover>(*m_state);
    connect(m_window.get(), &MainWindow::updateCheckRequested, this, &CorvaneApp::checkForUpdates);
    connect(m_window.get(), &MainWindow::quitRequested, this, &CorvaneApp::quit);
    connect(m_popover.get(), &MenuBarPopover::mainWindowRequested, this, [this] { showMainWindow(); });
    connect(m_popover.get(), &MenuBarPopover::updateCheckRequested, this, &CorvaneApp::checkForUpdates);
    connect(m_popover.get(), &MenuBarPopover::quitRequested, this, &CorvaneApp::quit);
    connect(m_state.get(), &AppState::signedInChanged, this, &CorvaneApp::updateTrayIcon);
    connect(m_state.get(), &AppState::connectedChanged, this, &CorvaneApp::updateTrayIcon);
    connect(m_state.get(), &AppState::pausedChanged, this, &CorvaneApp::updateTrayIcon);
    connect(m_state.get(), &AppState::listenersChanged, this, &CorvaneApp::updateTrayIcon);
    // Without a tray there is no way back to a closed window, so closing it ends the app.
    QApplication::setQuitOnLastWindowClosed(false);
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [this] {
        if (!hasTray()) {
            quit();
        }
    });
    // A host that comes later adds the icon and leaves the window as the person has it.
    connect(&m_trayHost, &TrayHostWatcher::appeared, this, &CorvaneApp::createTrayIcon);
    connect(&m_trayHost, &TrayHostWatcher::checked, this, [this, start](bool present) {
        if (present) {
            createTrayIcon();
        }
        if (start == Start::atLogin && !hasTray()) {
            m_window->show();
        }
    });
    m_trayHost.check();
    if (start == Start::byUser) {
        m_window->show();
    }
    emit launched();
}

bool CorvaneApp::hasTray() const
{
    return m_tray && QSystemTrayIcon::isSystemTrayAvailable();
}

void CorvaneApp::createTrayIcon()
{
    if (m_tray || !m_state) {
        return;
    }
    m_tray = std::make_unique<QSystemTrayIcon>();
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
            m_popover->popUp(m_tray->geometry());
        }
    });
    updateTrayIcon();
}

void CorvaneApp::updateTrayIcon()
{
    if (!m_tray) {
        return;
    }
    const QString name = iconName();
    if (m_tray->property("iconName").toString() != name) {
        m_tray->setIcon(TrayIcon::icon(name));
        m_tray->setProperty("iconName", name);
    }
    const QString status = m_state->signedIn()
        ? MenuBarPopover::statusText(m_state->connected(), m_state->paused(), m_state->listeners().size())
        : tr("Not signed in");
    const QString toolTip = QStringLiteral("corvane — %1").arg(status);
    if (m_tray->toolTip() != toolTip) {
        m_tray->setToolTip(toolTip);
    }
    m_tray->show();
}

void CorvaneApp::openLink(const QString& link, const QString& activationToken)
{
    if (m_browser.deliver(link)) {
        showMainWindow(activationToken);
    } else {
        qInfo().noquote() << "corvane: ignored a link, no sign-in is waiting for it";
    }
}

void CorvaneApp::showMainWindow(const QString& activationToken)
{
    if (m_window) {
        m_window->bringToFront(activationToken);
    }
}

QCoro::Task<> CorvaneApp::quit()
{
    if (m_state) {
        co_await m_state->finishSigningOut(5s);
    }
    QApplication::quit();
}

void CorvaneApp::checkForUpdates()
{
    Updater::shared().checkForUpdates();
}

} // namespace corvane
