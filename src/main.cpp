// corvane: turns webhooks captured by a relay service into desktop notifications.
#include "auth/AuthCoordinator.h"
#include "core/AppState.h"
#include "core/Notifier.h"
#include "platform/BrowserAuthenticationSession.h"
#include "platform/SecretServiceStore.h"
#include "platform/SingleInstance.h"
#include "platform/UrlSchemeHandler.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QNetworkAccessManager>

#include <qcoro/qcorotask.h>

#include <memory>

namespace {

using namespace corvane;
using namespace std::chrono_literals;

// Reports what the running core does, one line per change, on stderr.
void report(const AppState& state)
{
    QObject::connect(&state, &AppState::connectedChanged, [&state] {
        qInfo().noquote() << (state.connected() ? "connected to" : "not connected to") << AppSettings::serviceURL();
    });
    QObject::connect(&state, &AppState::lastErrorChanged, [&state] {
        if (state.lastError()) {
            qWarning().noquote() << "error:" << *state.lastError();
        }
    });
    QObject::connect(&state, &AppState::recentBannerChanged, [&state] {
        const auto& event = state.recentBanner().front();
        qInfo().noquote() << "notified:" << event.listenerName << "—" << event.title;
    });
}

// The parts of the running app, in the order they depend on each other.
struct Application {
    QNetworkAccessManager network;
    SecretServiceStore secrets;
    ServiceClient client{network, secrets};
    BrowserAuthenticationSession browser;
    AuthCoordinator auth{client, secrets, browser};
    std::unique_ptr<AppState> state;
};

// Reads the stored key, then runs the core until the process is told to quit. Without a key there
// is nothing to poll for.
QCoro::Task<> runHeadless(Application& application)
{
    const auto token = co_await AppSettings::keychainRead(application.secrets);
    const bool signedIn = token && !token->isEmpty();
    if (!signedIn) {
        qCritical().noquote() << "corvane: not signed in; sign in from the desktop app first";
        QCoreApplication::exit(1);
        co_return;
    }
    application.state = std::make_unique<AppState>(application.client, application.secrets, application.auth,
        Notifier::shared(), signedIn, AppSettings::accountEmail());
    report(*application.state);
    qInfo().noquote() << "polling" << AppSettings::serviceURL();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication qtApplication(argc, argv);
    QCoreApplication::setApplicationName("corvane");
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription("Turns webhooks captured by a relay service into desktop notifications.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption headless("headless", "Run without a window: poll the relay and post notifications.");
    parser.addOption(headless);
    parser.addPositionalArgument("url", "A corvane:// link to hand to the running corvane (browsers pass it).");
    parser.process(qtApplication);
    const auto arguments = parser.positionalArguments();
    const std::optional<QString> url = arguments.isEmpty() ? std::nullopt : std::optional(arguments.front());

    SingleInstance instance;
    if (!instance.claim()) {
        if (instance.forward(url, 5s)) {
            return 0;
        }
        qCritical().noquote() << "corvane: another corvane is running but did not answer";
        return 1;
    }

    UrlSchemeHandler::ensureRegistered(
        QStringLiteral("dev.corvane.app.desktop"), QStringLiteral("corvane"), QCoreApplication::applicationFilePath());
    Application application;
    const auto deliver = [&application](const QString& link) {
        if (!application.browser.deliver(link)) {
            qInfo().noquote() << "corvane: ignored a link, no sign-in is waiting for it";
        }
    };
    QObject::connect(&instance, &SingleInstance::urlReceived, &application.browser, deliver);
    if (url) {
        deliver(*url);
    }
    if (!parser.isSet(headless)) {
        qCritical().noquote() << "corvane: this build has no window yet; run it with --headless";
        return 2;
    }
    runHeadless(application);
    return QCoreApplication::exec();
}
