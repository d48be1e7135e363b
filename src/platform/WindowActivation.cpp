#include "platform/WindowActivation.h"

#include "platform/X11StartupNotification.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace corvane::WindowActivation {
namespace {

// Qt's Wayland integration (xdg-shell) reads this when a window asks for activation, then removes it.
constexpr auto xdgActivationToken = "XDG_ACTIVATION_TOKEN";
constexpr auto startupId = "DESKTOP_STARTUP_ID";

} // namespace

QString tokenFromEnvironment()
{
    const QString token = qEnvironmentVariable(xdgActivationToken);
    return token.isEmpty() ? qEnvironmentVariable(startupId) : token;
}

void grant(const QString& token)
{
    qputenv(xdgActivationToken, token.toUtf8());
}

void bringForward(QWidget& window, const QString& token)
{
    const QString permission = token.isEmpty() ? qEnvironmentVariable(xdgActivationToken) : token;
    grant(permission);
    if (window.isMinimized()) {
        window.showNormal();
    }
    window.show();
    window.raise();
    window.activateWindow();
    qunsetenv(xdgActivationToken);
    if (QGuiApplication::platformName() == QLatin1String("xcb") && window.windowHandle() != nullptr) {
        X11StartupNotification::complete(*window.windowHandle(), permission);
    }
}

} // namespace corvane::WindowActivation
