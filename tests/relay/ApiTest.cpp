#include "evaluation/JSONPathFilter.h"
#include "model/Listener.h"
#include "model/Payload.h"
#include "support/JsonLiteral.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QTest>

#include <memory>
#include <regex>
#include <vector>

using namespace corvane;
using namespace corvane::test;
using Json = nlohmann::json;

namespace {

QByteArray bytes(const Json& value)
{
    return QByteArray::fromStdString(value.dump());
}

QString listenerPath(const Json& listener)
{
    return "/listeners/" + RelayClient::idOf(listener);
}

QString deliveredPath(const QString& payloadId)
{
    return "/webhooks/" + payloadId + "/delivered";
}

} // namespace

// Every API route with its bodies and envelopes, against one relay.
class ApiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CORVANE_SKIP_WITHOUT_RELAY_STORE();
        QVERIFY(m_relay.start());
        m_key = m_client.signInAndUse();
        QVERIFY(!m_key.isEmpty());
    }

    // Listeners are listed newest first, as they were created, in the form the app reads.
    void listenersAreListedAsCreated()
    {
        auto& client = newAccount();
        const auto older = client.createListener("Older");
        const auto created = client.createListener("Deploys");
        const auto listener = Listener::fromJson(created);
        QVERIFY2(listener, created.dump().c_str());
        QCOMPARE(listener->hookPath, "/h/" + listener->listenerToken);
        QCOMPARE(listener->totalReceived, std::optional<std::int64_t>(0));
        QVERIFY(std::regex_match(listener->createdAt, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")));
        QCOMPARE(client.send("GET", "/listeners/").json()["listeners"], Json::array({created, older}));
    }

    // PATCH changes only what it is sent; null clears an optional member.
    void patchChangesOnlyTheMembersSent()
    {
        const auto path = listenerPath(m_client.createListener("Original"));
        auto patched
            = m_client.send("PATCH", path, R"({"description":"C\u0000I","notification_config":{"title":"t"}})");
        QCOMPARE(patched.status, 200);
        QCOMPARE(patched.json()["name"], "Original");
        auto listener = m_client.send("PATCH", path, R"({"is_enabled":false})").json();
        QCOMPARE(listener["is_enabled"], false);
        QCOMPARE(listener["description"], std::string("C\0I", 3));
        QCOMPARE(listener["notification_config"], test::json(R"({"title":"t"})"));
        listener = m_client.send("PATCH", path, R"({"description":null,"notification_config":{"body":"b"}})").json();
        QVERIFY(!listener.contains("description"));
        QCOMPARE(listener["notification_config"], test::json(R"({"body":"b"})"));
        QCOMPARE(listener["is_enabled"], false);
    }

    void malformedBodiesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("name not text") << QByteArray(R"({"name":5})");
        QTest::newRow("name null") << QByteArray(R"({"name":null})");
        QTest::newRow("name empty") << QByteArray(R"({"name":""})");
        QTest::newRow("enabled not boolean") << QByteArray(R"({"is_enabled":"yes"})");
        QTest::newRow("config member not text") << QByteArray(R"({"notification_config":{"title":3}})");
        QTest::newRow("config not object") << QByteArray(R"({"notification_config":[]})");
        QTest::newRow("not JSON") << QByteArray("{name:");
        QTest::newRow("not an object") << QByteArray("[1]");
        QTest::newRow("too deep") << QByteArray(R"({"name":)") + QByteArray(200, '[') + QByteArray(200, ']') + "}";
    }

    void malformedBodiesAreRefused()
    {
        QFETCH(QByteArray, body);
        static const auto path = listenerPath(m_client.createListener("Target"));
        const auto reply = m_client.send("PATCH", path, body);
        QCOMPARE(reply.status, 400);
        QVERIFY(reply.json()["error"].is_string());
        const auto unchanged = m_client.send("PATCH", path, "{}").json();
        QCOMPARE(unchanged["name"], "Target");
        QCOMPARE(unchanged["is_enabled"], true);
    }

    // Poll: undelivered oldest first, limit clamped to 1..100, count of all; recent: newest first;
    // marking delivered is idempotent and moves the listener's counts.
    void pollRecentAndDelivery()
    {
        auto& client = newAccount();
        const auto listener = client.createListener("Ordered");
        QStringList ids;
        for (int index = 0; index < 5; ++index) {
            ids << RelayClient::idOf(client.hook(listener, bytes({{"n", index}})).json());
        }
        auto poll = client.send("GET", "/webhooks/poll?limit=2").json();
        QCOMPARE(poll["count"], 5);
        QCOMPARE(RelayClient::idOf(poll["webhooks"][0]), ids[0]);
        QCOMPARE(RelayClient::idOf(poll["webhooks"][1]), ids[1]);
        const auto payload = Payload::fromJson(poll["webhooks"][0]);
        QVERIFY(payload);
        QCOMPARE(payload.value().listenerToken, std::optional(listener["listener_token"].get<std::string>()));
        QCOMPARE(poll["webhooks"][0]["body"], test::json(R"({"n":0})"));
        for (const auto& [limit, size] : {std::pair{"0", 1u}, {"1000", 5u}, {"-3", 1u}}) {
            QCOMPARE(client.send("GET", "/webhooks/poll?limit=" + QString(limit)).json()["webhooks"].size(), size);
        }
        QCOMPARE(client.send("GET", "/webhooks/poll?limit=ten").status, 400);

        const auto recent = client.send("GET", "/webhooks/recent?limit=3").json()["webhooks"];
        QCOMPARE(recent.size(), 3u);
        QCOMPARE(RelayClient::idOf(recent[0]), ids[4]);
        QCOMPARE(RelayClient::idOf(recent[2]), ids[2]);

        for (const auto& id : {ids[0], ids[1], ids[0]}) {
            QCOMPARE(client.send("POST", deliveredPath(id)).status, 204);
        }
        QCOMPARE(client.send("POST", deliveredPath("pay_unknown")).status, 404);
        QCOMPARE(client.send("GET", "/webhooks/pay_unknown").status, 404);
        QVERIFY(client.send("GET", "/webhooks/" + ids[0]).json().contains("delivered_at"));
        poll = client.send("GET", "/webhooks/poll").json();
        QCOMPARE(poll["count"], 3);
        QCOMPARE(RelayClient::idOf(poll["webhooks"][0]), ids[2]);
        QCOMPARE(client.send("GET", "/webhooks/" + ids[2]).json(), poll["webhooks"][0]);
        const auto counted = client.send("PATCH", listenerPath(listener), "{}").json();
        QCOMPARE(counted["undelivered_count"], 3);
        QCOMPARE(counted["total_received"], 5);
        QVERIFY(client.recent(listener)[4].contains("delivered_at"));
    }

    // A disabled listener keeps capturing; nothing it received while disabled is ever polled. Its hook
    // path is used before each change, so the change must reach requests to a path the relay has seen.
    void disabledListenersCaptureButAreNotPolled()
    {
        auto& client = newAccount();
        const auto listener = client.createListener("Paused");
        const auto first = RelayClient::idOf(client.hook(listener).json());
        QCOMPARE(client.send("POST", deliveredPath(first)).status, 204);
        QCOMPARE(client.send("PATCH", listenerPath(listener), R"({"is_enabled":false})").status, 200);
        const auto whileDisabled = client.hook(listener);
        QCOMPARE(whileDisabled.status, 202);
        QCOMPARE(client.send("PATCH", listenerPath(listener), R"({"is_enabled":true})").status, 200);
        QCOMPARE(client.send("GET", "/webhooks/poll").json()["count"], 0);
        QCOMPARE(client.recent(listener).size(), 2u);
        QCOMPARE(client.recent(listener)[0]["id"], whileDisabled.json()["id"]);
        const auto afterwards = client.hook(listener);
        const auto poll = client.send("GET", "/webhooks/poll").json();
        QCOMPARE(poll["count"], 1);
        QCOMPARE(poll["webhooks"][0]["id"], afterwards.json()["id"]);
    }

    // A deleted listener, and another account's listener or payload, are 404 as if they never existed;
    // so is a hook token no listener could have.
    void goneAndForeignRecordsAre404_data()
    {
        QTest::addColumn<bool>("deleted");
        QTest::newRow("deleted listener") << true;
        QTest::newRow("another account's") << false;
    }

    void goneAndForeignRecordsAre404()
    {
        QFETCH(bool, deleted);
        auto& owner = newAccount();
        const auto listener = owner.createListener("Private");
        const auto payloadId = RelayClient::idOf(owner.hook(listener).json());
        auto& caller = deleted ? owner : newAccount();
        if (deleted) {
            QCOMPARE(owner.send("DELETE", listenerPath(listener)).status, 204);
            QCOMPARE(owner.hook(listener).status, 404);
        }
        QCOMPARE(caller.send("GET", "/listeners/").json()["listeners"], Json::array());
        QCOMPARE(caller.send("GET", "/webhooks/poll").json()["count"], 0);
        QCOMPARE(caller.send("GET", "/webhooks/recent").json()["webhooks"], Json::array());
        QCOMPARE(caller.send("PATCH", listenerPath(listener), R"({"name":"Mine"})").status, 404);
        QCOMPARE(caller.send("DELETE", listenerPath(listener)).status, 404);
        QCOMPARE(caller.send("GET", "/webhooks/listener/" + RelayClient::idOf(listener) + "/recent").status, 404);
        QCOMPARE(caller.send("POST", deliveredPath(payloadId)).status, 404);
        QCOMPARE(caller.send("GET", "/webhooks/" + payloadId).status, 404);
        QCOMPARE(
            caller.raw("POST /h/\xff HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nConnection: close\r\n\r\n").status,
            404);
        if (!deleted) {
            QVERIFY(!owner.recent(listener)[0].contains("delivered_at"));
        }
    }

    void unauthorisedCallsAre401_data()
    {
        QTest::addColumn<HeaderList>("headers");
        QTest::newRow("no key") << HeaderList();
        QTest::newRow("wrong key") << HeaderList{{"Authorization", "Bearer crv_wrong"}};
        QTest::newRow("other scheme") << HeaderList{{"Authorization", "Basic b3duZXI6a2V5"}};
    }

    void unauthorisedCallsAre401()
    {
        QFETCH(HeaderList, headers);
        for (const auto& [method, path] :
            {std::pair<QByteArray, QString>{"GET", "/listeners/"}, {"GET", "/webhooks/poll?limit=25"},
                {"GET", "/webhooks/pay_unknown"}, {"POST", "/listeners/suggest-template"}}) {
            const auto reply = RelayClient(m_relay).send(method, path, {}, headers);
            QCOMPARE(reply.status, 401);
            QVERIFY(reply.json()["error"].is_string());
        }
    }

    // The suggestion picks what describes the sample; its filter matches the sample.
    void suggestionsFitTheirSample_data()
    {
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        QTest::newRow("pull request") << QByteArray(R"({"method":"POST","listener_name":"Repo","raw_body":"x",
            "body":{"action":"opened","pull_request":{"title":"Fix it","number":7}}})")
                                      << "{{listener_name}}: {{body.action}}" << "$.body.action";
        QTest::newRow("event header") << QByteArray(R"({"method":"POST","listener_name":"","raw_body":"",
            "headers":{"x-github-event":"push"}})")
                                      << "{{headers.x-github-event}}" << "$.headers.x-github-event";
        QTest::newRow("plain text") << QByteArray(R"({"method":"PUT","listener_name":"","raw_body":"hello"})")
                                    << "{{method}} request" << "";
        QTest::newRow("sample not an object") << QByteArray(R"("text")") << QString() << QString();
    }

    void suggestionsFitTheirSample()
    {
        QFETCH(QByteArray, sample);
        QFETCH(QString, title);
        QFETCH(QString, filter);
        const auto context = test::json(sample.toStdString());
        const auto reply = m_client.send("POST", "/listeners/suggest-template", bytes({{"sample", context}}));
        QCOMPARE(reply.status, title.isEmpty() ? 400 : 200);
        const auto suggestion = reply.json();
        if (title.isEmpty()) {
            return;
        }
        QCOMPARE(QString::fromStdString(suggestion.value("title", std::string())), title);
        QCOMPARE(QString::fromStdString(suggestion.value("filter", std::string())), filter);
        QVERIFY(filter.isEmpty() || JSONPathFilter::matches(filter.toStdString(), context));
    }

    // The routes the reference shows no body for.
    void healthAndMetrics()
    {
        QCOMPARE(m_client.send("GET", "/healthz").status, 200);
        const auto metrics = m_client.send("GET", "/metrics");
        QCOMPARE(metrics.status, 200);
        for (const char* series :
            {R"(corvane_relay_requests_total{route="/listeners/",status="201"})", "corvane_relay_ingest_seconds_count",
                "corvane_relay_commit_batch_size_bucket", "corvane_relay_payloads_stored "}) {
            QVERIFY2(metrics.body.contains(series), series);
        }
        QVERIFY(!metrics.body.contains(m_key));
    }

    // Large responses are gzip-compressed for a client that accepts it, and decode to the same JSON.
    void largeResponsesAreCompressed()
    {
        const auto listener = m_client.createListener("Large");
        for (int index = 0; index < 5; ++index) {
            QCOMPARE(m_client.hook(listener, bytes({{"text", std::string(2000, 'x')}})).status, 202);
        }
        const auto compressed = m_client.raw("GET /webhooks/listener/" + RelayClient::idOf(listener).toUtf8()
            + "/recent HTTP/1.1\r\nHost: relay\r\nAuthorization: Bearer " + m_key
            + "\r\nAccept-Encoding: gzip\r\nConnection: close\r\n\r\n");
        QCOMPARE(compressed.status, 200);
        QCOMPARE(compressed.headers.value("content-encoding"), "gzip");
        QVERIFY(compressed.body.startsWith("\x1f\x8b"));
        QVERIFY(compressed.body.size() < 2000);
        QCOMPARE(m_client.recent(listener).size(), 5u);
    }

    // Every listener keeps its newest payloads once the background pruning has run: those stored
    // before a restart under a lower limit, and those that arrive between passes.
    void retentionKeepsTheNewest()
    {
        RelayProcess relay;
        QVERIFY(relay.start());
        RelayClient client(relay);
        const auto key = client.signInAndUse();
        const auto busy = client.createListener("Kept");
        const auto quiet = client.createListener("Few");
        QStringList ids;
        for (int index = 0; index < 5; ++index) {
            ids << RelayClient::idOf(client.hook(busy).json());
        }
        for (int index = 0; index < 2; ++index) {
            QCOMPARE(client.hook(quiet).status, 202);
        }
        QCOMPARE(relay.terminate(), 0);

        QVERIFY(relay.start({"--retention-count", "3", "--prune-interval", "1"}));
        QTRY_COMPARE_WITH_TIMEOUT(client.recent(busy).size(), 3u, 10000);
        QCOMPARE(RelayClient::idOf(client.recent(busy)[2]), ids[2]);
        QCOMPARE(client.recent(quiet).size(), 2u);
        for (int index = 0; index < 2; ++index) {
            ids << RelayClient::idOf(client.hook(busy).json());
        }
        QTRY_COMPARE_WITH_TIMEOUT(client.recent(busy).size(), 3u, 10000);
        QCOMPARE(RelayClient::idOf(client.recent(busy)[0]), ids[6]);
        QCOMPARE(RelayClient::idOf(client.recent(busy)[2]), ids[4]);
        QCOMPARE(client.recent(quiet).size(), 2u);
    }

private:
    // A client signed in to an account of its own, so that it polls only what it sends.
    RelayClient& newAccount()
    {
        m_accounts.push_back(std::make_unique<RelayClient>(m_relay));
        m_accounts.back()->signInAndUse(QStringLiteral("account%1@example.org").arg(m_accounts.size()));
        return *m_accounts.back();
    }

    RelayProcess m_relay;
    RelayClient m_client{m_relay};
    QByteArray m_key;
    std::vector<std::unique_ptr<RelayClient>> m_accounts;
};

CORVANE_TEST(ApiTest)
#include "ApiTest.moc"
