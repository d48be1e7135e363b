#include "auth/AuthCoordinator.h"
#include "core/AppState.h"
#include "core/Notifier.h"
#include "platform/SecretServiceStore.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"
#include "support/FakeNotificationServer.h"
#include "support/FakeWebAuthenticationSession.h"
#include "support/HeadlessSession.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QNetworkAccessManager>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <qcoro/qcorotask.h>

using namespace corvane;
using namespace std::chrono_literals;

// The real parts together: a corvane-relay process, the key in the session's real Secret Service,
// the real AppState polling it, and a notification server on the session bus.
class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void webhookBecomesANotificationAndSurvivesARelayRestart()
    {
        test::RelayProcess relay({"API_TOKEN=end-to-end-owner-key"});
        QVERIFY(relay.start());
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
        AppSettings::setServiceURL(QStringLiteral("http://127.0.0.1:%1").arg(relay.port()));
        AppSettings::setPollIntervalMs(500);

        QTemporaryDir folder;
        SecretServiceStore secrets(10s, folder.filePath("fallback"));
        QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(secrets, "end-to-end-owner-key")));
        QNetworkAccessManager network;
        ServiceClient client(network, secrets);
        NotificationConfig config;
        config.title = "{{listener_name}}: {{body.action}}";
        config.body = "{{body.repository.name}}";
        config.sound = "Ping";
        const auto listener = QCoro::waitFor(client.createListener("Deploys", config));
        QVERIFY2(listener, listener ? "" : qPrintable(listener.error().description));

        test::FakeNotificationServer notifications;
        Notifier notifier(QDBusConnection::sessionBus(), "/sounds");
        const auto token = QCoro::waitFor(AppSettings::keychainRead(secrets));
        test::FakeWebAuthenticationSession browser;
        AuthCoordinator auth(client, secrets, browser);
        auto running = std::make_unique<AppState>(
            client, secrets, auth, notifier, token && !token->isEmpty(), AppSettings::accountEmail());
        AppState& state = *running;
        QTRY_VERIFY_WITH_TIMEOUT(state.connected(), 10'000);

        test::RelayClient sender(relay);
        const QString hook = QString::fromStdString(listener->hookPath);
        QCOMPARE(sender
                     .send("POST", hook, R"({"action": "opened", "repository": {"name": "corvane"}})",
                         {{"Content-Type", "application/json"}})
                     .status,
            202);
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 1, 10'000);
        const auto shown = notifications.received().front();
        QCOMPARE(shown.summary, "Deploys: opened");
        QCOMPARE(shown.body, "corvane");
        QCOMPARE(shown.hints.value("sound-file").toString(), "/sounds/Ping.aiff");
        QTRY_VERIFY_WITH_TIMEOUT(!state.activity().empty() && state.activity().front().deliveredAt.has_value(), 10'000);

        // A webhook that arrives while the app is paused waits at the relay, through a hard restart.
        state.setPaused(true);
        QCOMPARE(sender
                     .send("POST", hook, R"({"action": "closed", "repository": {"name": "corvane"}})",
                         {{"Content-Type", "application/json"}})
                     .status,
            202);
        relay.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!state.connected(), 10'000);
        QVERIFY(state.lastError().has_value());
        QVERIFY(relay.start({"--listen", QStringLiteral("127.0.0.1:%1").arg(relay.port())}));
        state.setPaused(false);
        QTRY_VERIFY_WITH_TIMEOUT(state.connected(), 10'000);
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 2, 10'000);
        QCOMPARE(notifications.received()[1].summary, "Deploys: closed");
        QTRY_COMPARE(state.recentBanner().size(), 2U);

        running.reset();
        QTRY_COMPARE(AppState::runningLoops(), 0);
    }
};

CORVANE_TEST(EndToEndTest)
#include "EndToEndTest.moc"
