#include "support/HeadlessSession.h"
#include "support/RelaySession.h"
#include "support/TestRegistry.h"

#include <QMessageAuthenticationCode>
#include <QTest>

#include <qcoro/qcorotask.h>

using namespace corvane;

// The real parts together: a corvane-relay process, the key in the session's real Secret Service,
// the real AppState polling it, and a notification server on the session bus.
class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void webhookBecomesANotificationAndSurvivesARelayRestart()
    {
        test::RelaySession session("end-to-end-owner-key");
        QVERIFY(session.start());
        NotificationConfig config;
        config.title = "{{listener_name}}: {{body.action}}";
        config.body = "{{body.repository.name}}";
        config.sound = "Ping";
        const auto listener = QCoro::waitFor(session.client().createListener("Deploys", config));
        QVERIFY2(listener, listener ? "" : qPrintable(listener.error().description));
        AppState& state = session.startState();
        QTRY_VERIFY_WITH_TIMEOUT(state.connected(), 10'000);

        const QString hook = QString::fromStdString(listener->hookPath);
        QCOMPARE(session.post(hook, R"({"action": "opened", "repository": {"name": "corvane"}})"), 202);
        const auto& notifications = session.notifications();
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 1, 10'000);
        const auto shown = notifications.received().front();
        QCOMPARE(shown.summary, "Deploys: opened");
        QCOMPARE(shown.body, "corvane");
        QCOMPARE(shown.hints.value("sound-file").toString(), CORVANE_TEST_SOUNDS_FOLDER "/Ping.aiff");
        QTRY_VERIFY_WITH_TIMEOUT(!state.activity().empty() && state.activity().front().deliveredAt.has_value(), 10'000);

        // A webhook that arrives while the app is paused waits at the relay, through a hard restart.
        state.setPaused(true);
        QCOMPARE(session.post(hook, R"({"action": "closed", "repository": {"name": "corvane"}})"), 202);
        session.relay().kill();
        QTRY_VERIFY_WITH_TIMEOUT(!state.connected(), 10'000);
        QVERIFY(state.lastError().has_value());
        QVERIFY(session.relay().start({"--listen", QStringLiteral("127.0.0.1:%1").arg(session.relay().port())}));
        state.setPaused(false);
        QTRY_VERIFY_WITH_TIMEOUT(state.connected(), 10'000);
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 2, 10'000);
        QCOMPARE(notifications.received()[1].summary, "Deploys: closed");
        QTRY_COMPARE(state.recentBanner().size(), 2U);
        session.stopState();
        QCOMPARE(AppState::runningLoops(), 0);
    }

    // A sender signing as GitHub does: the right signature notifies; a wrong one is refused, or in
    // mark mode notifies with the warning on top.
    void signedWebhooksAreChecked_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("forgedStatus");
        QTest::newRow("reject") << "reject" << 401;
        QTest::newRow("mark") << "mark" << 202;
    }
    void signedWebhooksAreChecked()
    {
        QFETCH(QString, mode);
        QFETCH(int, forgedStatus);
        test::RelaySession session("end-to-end-owner-key");
        QVERIFY(session.start());
        NotificationConfig config;
        config.title = "{{body.action}}";
        config.body = "{{body.repository.name}}";
        const QByteArray secret = "It's a Secret to Everybody";
        VerificationSettings github;
        github.scheme = "github";
        github.mode = mode.toStdString();
        github.secret = secret.toStdString();
        const auto listener = QCoro::waitFor(session.client().createListener("Signed", config, github));
        QVERIFY2(listener, listener ? "" : qPrintable(listener.error().description));
        QVERIFY(listener->verification && listener->verification->secretSet);
        AppState& state = session.startState();
        QTRY_VERIFY_WITH_TIMEOUT(state.connected(), 10'000);

        const auto signature = [](const QByteArray& key, const QByteArray& body) {
            return "sha256=" + QMessageAuthenticationCode::hash(body, key, QCryptographicHash::Sha256).toHex();
        };
        const QString hook = QString::fromStdString(listener->hookPath);
        const QByteArray genuine = R"({"action": "published", "repository": {"name": "corvane"}})";
        QCOMPARE(session.post(hook, genuine, {{"X-Hub-Signature-256", signature(secret, genuine)}}), 202);
        const auto& notifications = session.notifications();
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 1, 10'000);
        QCOMPARE(notifications.received().front().summary, "published");
        QCOMPARE(notifications.received().front().body, "corvane");

        const QByteArray forged = R"({"action": "refunded", "repository": {"name": "corvane"}})";
        QCOMPARE(session.post(hook, forged, {{"X-Hub-Signature-256", signature("guessed", forged)}}), forgedStatus);
        if (forgedStatus == 202) {
            QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 2, 10'000);
            QCOMPARE(notifications.received()[1].body, "Unverified sender: signature does not match\ncorvane");
        } else {
            // The next genuine webhook is notified, and the forged one never was.
            QCOMPARE(session.post(hook, genuine, {{"X-Hub-Signature-256", signature(secret, genuine)}}), 202);
            QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 2, 10'000);
            QCOMPARE(notifications.received()[1].summary, "published");
        }
        session.stopState();
    }
};

CORVANE_TEST(EndToEndTest)
#include "EndToEndTest.moc"
