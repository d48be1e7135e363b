// corvane: turns webhooks captured by a relay service into desktop notifications.
#include "core/StateReport.h"
#include "platform/QuietBrowserLauncher.h"
#include "platform/SingleInstance.h"
#include "platform/UrlSchemeHandler.h"
#include "platform/WindowActivation.h"
#include "platform/XdgAutostartLoginItem.h"
#include "ui/shell/CorvaneApp.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/StartupReport.h"
#include "update/AppVersion.h"

#include <QApplication>
#include <QCommandLineParser>

#include <QElapsedTimer>
#include <optional>

int main(int argc, char** argv)
{
    using namespace corvane;
    using namespace std::chrono_literals;
    QElapsedTimer sinceStart;
    sinceStart.start();
    const QString activationToken = WindowActivation::tokenFromEnvironment();
    QApplication qtApplication(argc, argv);
    QCoreApplication::setApplicationName("corvane");
    QCoreApplication::setApplicationVersion(appVersion());
    QGuiApplication::setDesktopFileName(QStringLiteral("dev.corvane.app"));

    QCommandLineParser parser;
    parser.setApplicationDescription("Turns webhooks captured by a relay service into desktop notifications.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("url", "A corvane:// link to hand to the running corvane (browsers pass it).");
    const QCommandLineOption atLogin(XdgAutostartLoginItem::startedAtLoginOption(),
        "Started by the desktop at login: stay in the tray, without opening the window.");
    parser.addOption(atLogin);
    parser.process(qtApplication);
    const bool startedAtLogin = parser.isSet(atLogin);
    const auto arguments = parser.positionalArguments();
    const std::optional<QString> url = arguments.isEmpty() ? std::nullopt : std::optional(arguments.front());

    SingleInstance instance;
    if (!instance.claim()) {
        // A login that finds corvane already running leaves it as it is.
        if (startedAtLogin || instance.forward(url, activationToken, 5s)) {
            return 0;
        }
        qCritical().noquote() << "corvane: another corvane is running but did not answer";
        return 1;
    }

    UrlSchemeHandler::ensureRegistered(
        QStringLiteral("dev.corvane.app.desktop"), QStringLiteral("corvane"), QCoreApplication::applicationFilePath());
    const QuietBrowserLauncher browserLauncher;
    CorvaneApp application;
    QObject::connect(&instance, &SingleInstance::urlReceived, &application, &CorvaneApp::openLink);
    QObject::connect(&instance, &SingleInstance::activationRequested, &application, &CorvaneApp::showMainWindow);
    QObject::connect(&application, &CorvaneApp::launched, &application, [&application, url, sinceStart] {
        if (application.mainWindow()->isVisible()) {
            StartupReport::watchFirstFrame(*application.mainWindow(), sinceStart, QStringLiteral("main window"));
        }
        reportStateChanges(*application.state());
        if (url) {
            application.openLink(*url);
        }
    });
    application.launch(startedAtLogin ? CorvaneApp::Start::atLogin : CorvaneApp::Start::byUser);
    return QCoreApplication::exec();
}
