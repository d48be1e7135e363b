#include "core/AppState.h"
#include "core/StateReport.h"
#include "service/AppSettings.h"
#include "support/HeadlessSession.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <algorithm>
#include <memory>

namespace corvane {

using test::ScriptedHttpServer;
using test::SessionFixture;

namespace {

QByteArray listenerJson(const QByteArray& id, const QByteArray& name, const QByteArray& config = "{}")
{
    return SessionFixture::listener(id, name, "", config);
}

// A polled payload of the listener "Deploys"; `extra` adds members such as a notification config.
QByteArray payloadJson(const QByteArray& id, const QByteArray& extra = "")
{
    return "{\"id\": \"" + id
        + "\", \"listener_id\": \"l1\", \"listener_name\": \"Deploys\", \"method\": \"POST\", "
          "\"body\": {\"action\": \"opened\"}, \"raw_body\": \"raw "
        + id + "\", \"received_at\": \"r\"" + extra + "}";
}

QByteArray ok(const QByteArray& body)
{
    return ScriptedHttpServer::response(200, body);
}

QByteArray tagged(QByteArray response, int status = 200)
{
    return response.replace("HTTP/1.1 200", "HTTP/1.1 " + QByteArray::number(status))
        .replace("\r\n\r\n", "\r\nETag: \"v7\"\r\n\r\n");
}

QByteArray webhooks(const QList<QByteArray>& payloads)
{
    return SessionFixture::envelope("webhooks", payloads);
}

} // namespace

class AppStateTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        m_fixture = std::make_unique<SessionFixture>();
        m_fixture->script({listenerJson("l1", "Deploys")}, {}, {});
    }

    void cleanup()
    {
        m_fixture.reset();
        QCOMPARE(AppState::runningLoops(), 0);
    }

    void cycleAppliesResultsInOrder_data()
    {
        QTest::addColumn<QByteArray>("listeners");
        QTest::addColumn<QByteArray>("recent");
        QTest::addColumn<QByteArray>("poll");
        QTest::addColumn<QByteArray>("delivered");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("lastError");
        QTest::addColumn<int>("notifications");
        QTest::addColumn<int>("acknowledged");

        const auto listed = ok(R"({"listeners": [)" + listenerJson("l1", "Deploys") + "]}");
        const auto recent = webhooks({payloadJson("p0")});
        const auto two = webhooks({payloadJson("p1"), payloadJson("p2")});
        const auto failing = ScriptedHttpServer::response(500, "boom", "text/plain");
        const auto acknowledged = ok("");
        QTest::newRow("all succeed") << listed << recent << two << acknowledged << true << "" << 2 << 2;
        QTest::newRow("listing fails, poll succeeds")
            << failing << recent << two << acknowledged << false << "HTTP 500: boom" << 2 << 2;
        QTest::newRow("poll fails") << listed << recent << ScriptedHttpServer::response(503, "later", "text/plain")
                                    << acknowledged << true << "HTTP 503: later" << 0 << 0;
        QTest::newRow("filter rejects, still acknowledged")
            << listed << recent
            << webhooks({payloadJson("p1", R"(, "notification_config": {"filter": "$.body.nope"})")}) << acknowledged
            << true << "" << 0 << 1;
        QTest::newRow("acknowledgement fails unnoticed") << listed << recent << two << failing << true << "" << 2 << 2;
    }
    void cycleAppliesResultsInOrder()
    {
        QFETCH(QByteArray, listeners);
        QFETCH(QByteArray, recent);
        QFETCH(QByteArray, poll);
        QFETCH(QByteArray, delivered);
        QFETCH(bool, connected);
        QFETCH(QString, lastError);
        QFETCH(int, notifications);
        QFETCH(int, acknowledged);

        m_fixture->relay().script("/listeners/", listeners);
        m_fixture->relay().script("/webhooks/recent?limit=100", recent);
        m_fixture->relay().script("/webhooks/poll?limit=25", poll);
        m_fixture->relay().script("/webhooks/p1/delivered", delivered);
        m_fixture->relay().script("/webhooks/p2/delivered", delivered);
        signedOutState();

        QCoro::waitFor(m_state->tick({}));
        QCOMPARE(m_state->connected(), connected);
        QCOMPARE(m_state->lastError().value_or(""), lastError);
        QVERIFY(m_state->lastPollAt().has_value());
        QTRY_COMPARE(m_fixture->notifications().received().size(), notifications);
        QCOMPARE(acknowledgements().size(), acknowledged);
        if (notifications == 2) {
            QCOMPARE(acknowledgements(), QList<QByteArray>({"/webhooks/p1/delivered", "/webhooks/p2/delivered"}));
        }
        QCOMPARE(m_state->listeners().size(),
            listeners == ScriptedHttpServer::response(500, "boom", "text/plain") ? 0U : 1U);
    }

    void intervalFollowsTheSetting_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<qint64>("milliseconds");

        QTest::newRow("missing") << QVariant() << qint64{4000};
        QTest::newRow("negative") << QVariant(-5) << qint64{4000};
        QTest::newRow("not a number") << QVariant("soon") << qint64{4000};
        QTest::newRow("below the floor") << QVariant(100) << qint64{500};
        QTest::newRow("absurdly long") << QVariant(Q_INT64_C(9223372036854775807)) << qint64{86'400'000};
    }
    void intervalFollowsTheSetting()
    {
        QFETCH(QVariant, stored);
        QFETCH(qint64, milliseconds);

        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane");
        if (stored.isValid()) {
            settings.setValue("pollIntervalMs", stored);
        } else {
            settings.remove("pollIntervalMs");
        }
        settings.sync();
        QCOMPARE(AppState::pollInterval().count(), milliseconds);
    }

    // What waits at the relay while paused is delivered, in order, after resuming; the app keeps the
    // latest fifty.
    void pausedBacklogIsDeliveredInOrderAfterResuming()
    {
        QList<QByteArray> many;
        for (int index = 0; index < 26; ++index) {
            many << payloadJson("p" + QByteArray::number(index));
        }
        m_fixture->relay().script("/webhooks/poll?limit=25", webhooks(many));
        signedOutState();
        m_state->setPaused(true);
        QCoro::waitFor(m_state->tick({}));
        QVERIFY(m_state->connected());
        QVERIFY(acknowledgements().isEmpty());
        QVERIFY(m_fixture->notifications().received().isEmpty());

        m_state->setPaused(false);
        QCoro::waitFor(m_state->tick({}));
        QTRY_COMPARE(m_fixture->notifications().received().size(), 26);
        QCOMPARE(m_fixture->notifications().received()[2].body, "raw p2");
        QCOMPARE(acknowledgements().size(), 26);
        QCoro::waitFor(m_state->tick({}));
        QCOMPARE(m_state->recentBanner().size(), 50U);
        QCOMPARE(m_state->recentBanner().front().body, "raw p25");
    }

    // The notification is shown before the payload is acknowledged: an acknowledgement that never
    // completes holds back nothing already polled.
    void notificationComesBeforeTheAcknowledgement()
    {
        m_fixture->script({listenerJson("l1", "Deploys")}, {}, {payloadJson("p1")});
        m_fixture->relay().hang("/webhooks/p1/delivered");
        m_fixture->start(true);
        QTRY_COMPARE(m_fixture->notifications().received().size(), 1);
        QTRY_COMPARE(acknowledgements(), QList<QByteArray>{"/webhooks/p1/delivered"});
    }

    // Notifications render the payload's own or its listener's configuration; "$.verified" filters on
    // the relay's signature check, and a failed check heads the body.
    void deliveryRendersAndRecords()
    {
        const QByteArray failed = R"(, "verification": {"status": "failed", "reason": "signature does not match"})";
        const QByteArray filtered = R"(, "notification_config": {"filter": "$.verified"})";
        m_fixture->relay().script("/webhooks/poll?limit=25",
            webhooks({payloadJson("p1"),
                payloadJson(
                    "p2", R"(, "notification_config": {"title": "", "body": "{{body.action}}", "sound": "Ping"})"),
                R"({"id": "p3", "method": "GET", "received_at": "r"})", payloadJson("p4", failed),
                payloadJson("p5", failed + filtered),
                payloadJson("p6", R"(, "verification": {"status": "verified"})" + filtered),
                payloadJson("p7", filtered)}));
        signedOutState();
        QCoro::waitFor(m_state->tick({}));
        QTRY_COMPARE(m_fixture->notifications().received().size(), 5);
        const auto received = m_fixture->notifications().received();
        QCOMPARE(received[0].summary, "Deploys");
        QCOMPARE(received[1].body, "opened");
        QCOMPARE(received[1].hints.value("sound-file").toString(), CORVANE_TEST_SOUNDS_FOLDER "/Ping.aiff");
        QCOMPARE(received[3].body, "Unverified sender: signature does not match\nraw p4");
        QCOMPARE(received[4].body, "raw p6");

        const auto& banners = m_state->recentBanner();
        QCOMPARE(banners.size(), 5U);
        QCOMPARE(banners[2].listenerName, "(unknown)");
        QCOMPARE(banners[3].title, "");
        QVERIFY(banners[2].id != banners[3].id);
    }

    void refireUsesTheListenerAsItIsNow()
    {
        m_fixture->relay().script("/listeners/",
            ok(R"({"listeners": [)"
                + listenerJson("l1", "Renamed", R"({"title": "{{listener_name}}!", "filter": "$.body.action"})")
                + "]}"));
        signedOutState();
        QCoro::waitFor(m_state->refreshListeners());
        m_state->setPaused(true);
        auto payload = *Payload::fromJson(nlohmann::json::parse(payloadJson("p1").toStdString()));

        QCOMPARE(QCoro::waitFor(m_state->refire(payload)), RefireResult::fired);
        QTRY_COMPARE(m_fixture->notifications().received().size(), 1);
        QCOMPARE(m_fixture->notifications().received()[0].summary, "Renamed!");
        QCOMPARE(m_state->recentBanner().front().listenerName, "Renamed");

        payload.body = AnyCodable{nlohmann::json::object()};
        QCOMPARE(QCoro::waitFor(m_state->refire(payload)), RefireResult::filteredOut);
        payload.listenerId = "L1";
        QCOMPARE(QCoro::waitFor(m_state->refire(payload)), RefireResult::listenerMissing);
    }

    void listenerManagementEditsTheLocalList()
    {
        m_fixture->relay().script("/listeners/",
            ok(R"({"listeners": [)" + listenerJson("l1", "One") + "," + listenerJson("l2", "Two") + "]}"));
        signedOutState();
        QCoro::waitFor(m_state->refreshListeners());
        QCOMPARE(m_state->listeners().size(), 2U);

        m_fixture->relay().script("/listeners/", ok(listenerJson("l3", "Three")));
        QVERIFY(QCoro::waitFor(m_state->createListener("Three")));
        QCOMPARE(m_state->listeners().front().id, "l3");

        m_fixture->relay().script("/listeners/l1", ScriptedHttpServer::response(404, "not found", "text/plain"));
        QCoro::waitFor(m_state->deleteListener("l1"));
        QCOMPARE(m_state->listeners().size(), 3U);
        QCOMPARE(m_state->lastError(), std::optional<QString>("HTTP 404: not found"));
        m_fixture->relay().script("/listeners/l1", ScriptedHttpServer::response(204, ""));
        QCoro::waitFor(m_state->deleteListener("l1"));
        QCOMPARE(m_state->listeners().size(), 2U);
        QCOMPARE(m_state->listener("L3"), std::nullopt);
    }

    // `cycles` cycles start no sooner than a second after the first, with at most `asked` change requests.
    void pausesFollowChanges_data()
    {
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<QList<QByteArray>>("answers"); // to after=, after=1, after=2
        QTest::addColumn<int>("cycles");
        QTest::addColumn<int>("asked");

        const auto version = [](const char* token) { return ok(QByteArray("{\"version\": \"") + token + "\"}"); };
        QTest::newRow("flood keeps to ten a second")
            << qint64{86'400'000} << QList{version("1"), version("2"), version("1")} << 11 << 100;
        QTest::newRow("404 leaves interval pauses") << qint64{500} << QList<QByteArray>{} << 3 << 1;
        QTest::newRow("failure leaves the interval")
            << qint64{500} << QList{ScriptedHttpServer::response(500, "boom", "text/plain")} << 3 << 3;
    }
    void pausesFollowChanges()
    {
        QFETCH(qint64, interval);
        QFETCH(QList<QByteArray>, answers);
        QFETCH(int, cycles);
        QFETCH(int, asked);

        AppSettings::setPollIntervalMs(interval);
        const QByteArray wait = interval > 1000 ? "55" : "1";
        for (int index = 0; index < answers.size(); ++index) {
            m_fixture->relay().script(
                "/changes?after=" + (index ? QByteArray::number(index) : "") + "&wait=" + wait, answers[index]);
        }
        const auto count = [this](const char* prefix) {
            return std::ranges::count_if(
                m_fixture->relay().requests(), [prefix](const auto& each) { return each.target.startsWith(prefix); });
        };
        const auto started = std::chrono::steady_clock::now();
        m_fixture->start(true);
        QTRY_VERIFY_WITH_TIMEOUT(count("/listeners/") >= cycles, 20'000);
        QVERIFY(std::chrono::steady_clock::now() - started >= std::chrono::seconds(1));
        QVERIFY(count("/changes") <= asked);
    }

    // A 304 to the remembered tags leaves both lists, and their signals, alone.
    void unchangedListsStayUntouched()
    {
        m_fixture->relay().script("/webhooks/recent?limit=100", tagged(webhooks({payloadJson("p0")})));
        m_fixture->relay().script(
            "/listeners/", tagged(ok(R"({"listeners": [)" + listenerJson("l1", "Deploys") + "]}")));
        signedOutState();
        QCoro::waitFor(m_state->tick({}));
        m_fixture->relay().script("/webhooks/recent?limit=100", tagged(ok(""), 304));
        m_fixture->relay().script("/listeners/", tagged(ok(""), 304));
        QSignalSpy listeners(m_state, &AppState::listenersChanged);
        QSignalSpy activity(m_state, &AppState::activityChanged);
        QCoro::waitFor(m_state->tick({}));
        QCOMPARE(listeners.size() + activity.size(), 0);
        QCOMPARE(m_state->lastError(), std::nullopt);
    }

    // Replacing the loop cancels the running cycle: its hanging request fails as cancelled, the cycle
    // finishes without calling that an error, and one loop goes on.
    void replacingTheLoopCancelsTheRunningCycle()
    {
        m_fixture->relay().hang("/listeners/");
        AppState state(m_fixture->client(), m_fixture->secrets(), m_fixture->auth(), m_fixture->notifier(), true, {});
        QVERIFY(state.isPolling());
        QTRY_COMPARE(m_fixture->relay().requests().size(), 2);
        state.start();
        QCOMPARE(AppState::runningLoops(), 1);
        state.startPolling();
        QCOMPARE(AppState::runningLoops(), 2);
        QTRY_COMPARE(AppState::runningLoops(), 1);
        QCOMPARE(state.lastError(), std::nullopt);
    }

    // Notifications and failures reach the log as events, without what they contain.
    void logKeepsWebhookContentOut()
    {
        static QStringList logged;
        logged.clear();
        const auto previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& message) { logged << message; });
        m_fixture->relay().script("/webhooks/poll?limit=25",
            webhooks({payloadJson("p1", R"(, "notification_config": {"title": "card 4242 charged"})")}));
        signedOutState();
        reportStateChanges(*m_state);
        QCoro::waitFor(m_state->tick({}));
        QTRY_COMPARE(m_state->recentBanner().size(), 1U);
        m_fixture->relay().script(
            "/listeners/", ScriptedHttpServer::response(400, R"({"error": "no listener acct-77"})"));
        QCoro::waitFor(m_state->tick({}));
        QVERIFY(m_state->lastError());
        qInstallMessageHandler(previous);

        const QString quiet = logged.join('\n');
        QVERIFY2(quiet.contains("posted a notification") && quiet.contains("failed"), qPrintable(quiet));
        for (const char* content : {"4242", "Deploys", "acct-77"}) {
            QVERIFY2(!quiet.contains(content), qPrintable(quiet));
        }
    }

private:
    void signedOutState()
    {
        m_fixture->start(false);
        m_state = &m_fixture->state();
    }

    QList<QByteArray> acknowledgements() const
    {
        QList<QByteArray> targets;
        for (const auto& request : m_fixture->relay().requests()) {
            if (request.target.endsWith("/delivered")) {
                targets << request.target;
            }
        }
        return targets;
    }

    std::unique_ptr<SessionFixture> m_fixture;
    AppState* m_state = nullptr;
};

CORVANE_TEST(AppStateTest)

} // namespace corvane

#include "AppStateTest.moc"
