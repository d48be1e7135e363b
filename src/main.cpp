// corvane: turns webhooks captured by a relay service into desktop notifications.
#include "core/AppState.h"
#include "core/Notifier.h"
#include "platform/SecretServiceStore.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QNetworkAccessManager>

#include <qcoro/qcorotask.h>

#include <memory>

namespace {

using namespace corvane;

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

// Reads the stored key, then runs the core until the process is told to quit. Without a key there
// is nothing to poll for.
QCoro::Task<> runHeadless(ServiceClient& client, SecretStore& secrets, std::unique_ptr<AppState>& state)
{
    const auto token = co_await AppSettings::keychainRead(secrets);
    const bool signedIn = token && !token->isEmpty();
    if (!signedIn) {
        qCritical().noquote() << "corvane: not signed in; sign in from the desktop app first";
        QCoreApplication::exit(1);
        co_return;
    }
    state = std::make_unique<AppState>(client, Notifier::shared(), signedIn, AppSettings::accountEmail());
    report(*state);
    qInfo().noquote() << "polling" << AppSettings::serviceURL();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName("corvane");
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription("Turns webhooks captured by a relay service into desktop notifications.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption headless("headless", "Run without a window: poll the relay and post notifications.");
    parser.addOption(headless);
    parser.process(application);
    if (!parser.isSet(headless)) {
        qCritical().noquote() << "corvane: this build has no window yet; run it with --headless";
        return 2;
    }

    QNetworkAccessManager network;
    SecretServiceStore secrets;
    ServiceClient client(network, secrets);
    std::unique_ptr<AppState> state;
    runHeadless(client, secrets, state);
    return QCoreApplication::exec();
}
