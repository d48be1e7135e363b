#include "evaluation/JSONPathFilter.h"
#include "evaluation/Template.h"
#include "model/Listener.h"
#include "model/Payload.h"
#include "model/Timestamp.h"
#include "support/JsonLiteral.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <regex>

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
    return "/listeners/" + QString::fromStdString(listener["id"].get<std::string>());
}

} // namespace

// Every API route with its bodies and envelopes, against one relay signed in as its owner.
class ApiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_relay.start());
        m_client = std::make_unique<RelayClient>(m_relay);
        m_key = m_client->signIn();
        QVERIFY(!m_key.isEmpty());
        m_client->setKey(m_key);
    }

    void listenersDecodeAsTheAppReadsThem()
    {
        const auto older = m_client->createListener("Older");
        const auto created = m_client->createListener("Deploys");
        const auto listener = Listener::fromJson(created);
        QVERIFY2(listener, created.dump().c_str());
        QCOMPARE(listener->name, "Deploys");
        QVERIFY(listener->isEnabled);
        QCOMPARE(listener->hookPath, "/h/" + listener->listenerToken);
        QCOMPARE(listener->undeliveredCount, std::optional<std::int64_t>(0));
        QCOMPARE(listener->totalReceived, std::optional<std::int64_t>(0));
        QVERIFY(Timestamp::lenient(listener->createdAt));
        QVERIFY(std::regex_match(listener->createdAt, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")));

        const auto list = m_client->send("GET", "/listeners/");
        QCOMPARE(list.status, 200);
        const auto listeners = list.json()["listeners"];
        QVERIFY(listeners.size() >= 2);
        QCOMPARE(listeners[0]["id"], created["id"]);
        QCOMPARE(listeners[1]["id"], older["id"]);
    }

    // PATCH changes only what it is sent; null clears an optional member.
    void patchChangesOnlyTheMembersSent()
    {
        auto listener = m_client->createListener("Original");
        const auto path = listenerPath(listener);
        auto reply = m_client->send(
            "PATCH", path, R"({"description":"CI","notification_config":{"title":"{{body.a}}","sound":"Ping"}})");
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json()["description"], "CI");
        QCOMPARE(reply.json()["name"], "Original");

        reply = m_client->send("PATCH", path, R"({"is_enabled":false})");
        QCOMPARE(reply.status, 200);
        auto patched = reply.json();
        QCOMPARE(patched["is_enabled"], false);
        QCOMPARE(patched["description"], "CI");
        QCOMPARE(patched["notification_config"], test::json(R"({"title":"{{body.a}}","sound":"Ping"})"));

        reply = m_client->send("PATCH", path, R"({"description":null,"notification_config":{"body":"{{raw_body}}"}})");
        patched = reply.json();
        QVERIFY(!patched.contains("description"));
        QCOMPARE(patched["notification_config"], test::json(R"({"body":"{{raw_body}}"})"));
        QCOMPARE(patched["is_enabled"], false);
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
        static const auto listener = m_client->createListener("Target");
        const auto reply = m_client->send("PATCH", listenerPath(listener), body);
        QCOMPARE(reply.status, 400);
        QVERIFY(reply.json()["error"].is_string());
        const auto unchanged = m_client->send("PATCH", listenerPath(listener), "{}").json();
        QCOMPARE(unchanged["name"], "Target");
        QCOMPARE(unchanged["is_enabled"], true);
    }

    // Poll: undelivered oldest first, limit clamped to 1..100, count of all; recent: newest first.
    void pollAndRecentOrderAndLimit()
    {
        const auto listener = m_client->createListener("Ordered");
        drainPending();
        QStringList ids;
        for (int index = 0; index < 5; ++index) {
            const auto reply = m_client->hook(listener, bytes({{"n", index}}));
            QCOMPARE(reply.status, 202);
            ids << QString::fromStdString(reply.json()["id"].get<std::string>());
        }
        auto poll = m_client->send("GET", "/webhooks/poll?limit=2").json();
        QCOMPARE(poll["count"], 5);
        QCOMPARE(poll["webhooks"].size(), 2u);
        QCOMPARE(poll["webhooks"][0]["id"], ids[0].toStdString());
        QCOMPARE(poll["webhooks"][1]["id"], ids[1].toStdString());
        const auto payload = Payload::fromJson(poll["webhooks"][0]);
        QVERIFY(payload);
        QCOMPARE(payload->listenerName, std::optional<std::string>("Ordered"));
        QCOMPARE(payload->listenerToken, std::optional(listener["listener_token"].get<std::string>()));
        QVERIFY(payload->notificationConfig);
        QCOMPARE(payload->body->value, test::json(R"({"n":0})"));
        QVERIFY(Timestamp::lenient(payload->receivedAt));

        QCOMPARE(m_client->send("GET", "/webhooks/poll?limit=0").json()["webhooks"].size(), 1u);
        QCOMPARE(m_client->send("GET", "/webhooks/poll?limit=1000").json()["webhooks"].size(), 5u);
        QCOMPARE(m_client->send("GET", "/webhooks/poll?limit=-3").json()["webhooks"].size(), 1u);
        QCOMPARE(m_client->send("GET", "/webhooks/poll?limit=ten").status, 400);

        const auto recent = m_client->send("GET", "/webhooks/recent?limit=3").json()["webhooks"];
        QCOMPARE(recent.size(), 3u);
        QCOMPARE(recent[0]["id"], ids[4].toStdString());
        QCOMPARE(recent[2]["id"], ids[2].toStdString());
        const auto own = m_client->send("GET", listenerRecentPath(listener, 10)).json()["webhooks"];
        QCOMPARE(own.size(), 5u);
        QCOMPARE(own[0]["id"], ids[4].toStdString());

        for (const auto& id : ids.mid(0, 2)) {
            QCOMPARE(m_client->send("POST", "/webhooks/" + id + "/delivered").status, 204);
        }
        QCOMPARE(m_client->send("POST", "/webhooks/" + ids[0] + "/delivered").status, 204);
        QCOMPARE(m_client->send("POST", "/webhooks/pay_unknown/delivered").status, 404);
        poll = m_client->send("GET", "/webhooks/poll?limit=25").json();
        QCOMPARE(poll["count"], 3);
        QCOMPARE(poll["webhooks"][0]["id"], ids[2].toStdString());
        const auto counted = m_client->send("PATCH", listenerPath(listener), "{}").json();
        QCOMPARE(counted["undelivered_count"], 3);
        QCOMPARE(counted["total_received"], 5);
        QVERIFY(m_client->send("GET", listenerRecentPath(listener, 10)).json()["webhooks"][4].contains("delivered_at"));
    }

    // A disabled listener keeps capturing; nothing it received while disabled is ever polled. Its hook
    // path is used before each change, so the change must reach requests to a path the relay has seen.
    void disabledListenersCaptureButAreNotPolled()
    {
        const auto listener = m_client->createListener("Paused");
        QCOMPARE(m_client->hook(listener).status, 202);
        drainPending();
        QCOMPARE(m_client->send("PATCH", listenerPath(listener), R"({"is_enabled":false})").status, 200);
        const auto whileDisabled = m_client->hook(listener);
        QCOMPARE(whileDisabled.status, 202);
        QCOMPARE(m_client->send("PATCH", listenerPath(listener), R"({"is_enabled":true})").status, 200);
        QCOMPARE(m_client->send("GET", "/webhooks/poll").json()["count"], 0);
        const auto recent = m_client->send("GET", listenerRecentPath(listener, 10)).json()["webhooks"];
        QCOMPARE(recent.size(), 2u);
        QCOMPARE(recent[0]["id"], whileDisabled.json()["id"]);
        const auto afterwards = m_client->hook(listener);
        const auto poll = m_client->send("GET", "/webhooks/poll").json();
        QCOMPARE(poll["count"], 1);
        QCOMPARE(poll["webhooks"][0]["id"], afterwards.json()["id"]);
    }

    void deletingAListenerDeletesItsPayloads()
    {
        const auto listener = m_client->createListener("Doomed");
        const auto payloadId = QString::fromStdString(m_client->hook(listener).json()["id"].get<std::string>());
        QCOMPARE(m_client->send("DELETE", listenerPath(listener)).status, 204);
        QCOMPARE(m_client->send("DELETE", listenerPath(listener)).status, 404);
        QCOMPARE(m_client->send("GET", listenerRecentPath(listener, 10)).status, 404);
        QCOMPARE(m_client->send("POST", "/webhooks/" + payloadId + "/delivered").status, 404);
        QCOMPARE(m_client->hook(listener).status, 404);
        const auto remaining = m_client->send("GET", "/webhooks/recent").json()["webhooks"];
        for (const auto& payload : remaining) {
            QVERIFY(payload["id"] != payloadId.toStdString());
        }
    }

    // Another account's listener or payload is a 404, as if it did not exist.
    void accountsAreIsolated()
    {
        const auto listener = m_client->createListener("Private");
        const auto payloadId = QString::fromStdString(m_client->hook(listener).json()["id"].get<std::string>());
        RelayClient other(m_relay);
        other.setKey(other.signIn("someone@example.com"));
        QCOMPARE(other.send("GET", "/listeners/").json()["listeners"], Json::array());
        QCOMPARE(other.send("GET", "/webhooks/poll").json()["count"], 0);
        QCOMPARE(other.send("GET", "/webhooks/recent").json()["webhooks"], Json::array());
        QCOMPARE(other.send("PATCH", listenerPath(listener), R"({"name":"Mine"})").status, 404);
        QCOMPARE(other.send("DELETE", listenerPath(listener)).status, 404);
        QCOMPARE(other.send("GET", listenerRecentPath(listener, 1)).status, 404);
        QCOMPARE(other.send("POST", "/webhooks/" + payloadId + "/delivered").status, 404);
        QCOMPARE(m_client->send("GET", listenerRecentPath(listener, 1)).json()["webhooks"][0].contains("delivered_at"),
            false);
    }

    void unauthorisedCallsAre401_data()
    {
        QTest::addColumn<QByteArray>("authorization");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("wrong key") << QByteArray("Bearer crv_wrong");
        QTest::newRow("other scheme") << QByteArray("Basic b3duZXI6a2V5");
        QTest::newRow("revoked key") << QByteArray("revoked");
    }

    void unauthorisedCallsAre401()
    {
        QFETCH(QByteArray, authorization);
        RelayClient anonymous(m_relay);
        if (authorization == "revoked") {
            const auto key = anonymous.signIn();
            anonymous.setKey(key);
            QCOMPARE(anonymous.send("GET", "/listeners/").status, 200);
            QCOMPARE(anonymous.send("POST", "/auth/revoke").status, 204);
        } else if (!authorization.isEmpty()) {
            anonymous.setKey({});
        }
        const HeaderList headers = authorization.isEmpty() || authorization == "revoked"
            ? HeaderList{}
            : HeaderList{{"Authorization", authorization}};
        for (const auto& [method, path] : {std::pair<QByteArray, QString>{"GET", "/listeners/"},
                 {"GET", "/webhooks/poll?limit=25"}, {"POST", "/listeners/suggest-template"}}) {
            const auto reply = anonymous.send(method, path, {}, headers);
            QCOMPARE(reply.status, 401);
            QVERIFY(reply.json()["error"].is_string());
        }
    }

    // Every token of a suggestion renders non-empty text over the sample, and the filter matches it.
    void suggestionsRenderOverTheirSample_data()
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
        QTest::newRow("nested status") << QByteArray(R"({"method":"POST","listener_name":"CI","raw_body":"{}",
            "body":{"build":{"status":"failed","message":"tests broke"}}})")
                                       << "{{listener_name}}: {{body.build.status}}" << "$.body.build.status";
        QTest::newRow("plain text") << QByteArray(R"({"method":"PUT","listener_name":"","raw_body":"hello"})")
                                    << "{{method}} request" << "";
        QTest::newRow("empty event skipped") << QByteArray(R"({"method":"POST","listener_name":"L","raw_body":"{}",
            "body":{"event":"","type":"ping","text":null,"a.b":{"message":"unreachable"}}})")
                                             << "{{listener_name}}: {{body.type}}" << "$.body.type";
    }

    void suggestionsRenderOverTheirSample()
    {
        QFETCH(QByteArray, sample);
        QFETCH(QString, title);
        QFETCH(QString, filter);
        const auto context = test::json(sample.toStdString());
        const auto request = bytes({{"sample", context}});
        const auto reply = m_client->send("POST", "/listeners/suggest-template", request);
        QCOMPARE(reply.status, 200);
        const auto suggestion = reply.json();
        QCOMPARE(m_client->send("POST", "/listeners/suggest-template", request).json(), suggestion);
        QCOMPARE(QString::fromStdString(suggestion["title"].get<std::string>()), title);
        QCOMPARE(suggestion.contains("filter"), !filter.isEmpty());
        if (!filter.isEmpty()) {
            QCOMPARE(QString::fromStdString(suggestion["filter"].get<std::string>()), filter);
            QVERIFY(JSONPathFilter::matches(suggestion["filter"].get<std::string>(), context));
        }
        static const QRegularExpression tokens("\\{\\{[^}]*\\}\\}");
        for (const char* member : {"title", "body"}) {
            const auto text = QString::fromStdString(suggestion[member].get<std::string>());
            for (auto match = tokens.globalMatch(text); match.hasNext();) {
                const auto token = match.next().captured().toStdString();
                QVERIFY2(!Template::render(token, context).empty(), token.c_str());
            }
        }
        QCOMPARE(m_client->send("POST", "/listeners/suggest-template", R"({"sample":"text"})").status, 400);
    }

    void unknownRoutesAndMethods()
    {
        auto reply = m_client->send("GET", "/nothing/here");
        QCOMPARE(reply.status, 404);
        QVERIFY(reply.json()["error"].is_string());
        reply = m_client->send("DELETE", "/listeners/");
        QCOMPARE(reply.status, 405);
        QCOMPARE(reply.headers.value("allow"), "GET, POST");
        QCOMPARE(m_client->send("GET", "/listeners").status, 404);
    }

    void healthAndMetrics()
    {
        const auto health = m_client->send("GET", "/healthz");
        QCOMPARE(health.status, 200);
        const auto metrics = m_client->send("GET", "/metrics");
        QCOMPARE(metrics.status, 200);
        for (const char* series :
            {"corvane_relay_requests_total{route=\"/listeners/\",status=\"201\"}", "corvane_relay_ingest_seconds_count",
                "corvane_relay_commit_batch_size_bucket", "corvane_relay_payloads_stored "}) {
            QVERIFY2(metrics.body.contains(series), series);
        }
        QVERIFY(!metrics.body.contains(m_key));
    }

    // Large responses are gzip-compressed for a client that accepts it, and decode to the same JSON.
    void largeResponsesAreCompressed()
    {
        const auto listener = m_client->createListener("Large");
        for (int index = 0; index < 5; ++index) {
            QCOMPARE(m_client->hook(listener, bytes({{"text", std::string(2000, 'x')}})).status, 202);
        }
        const auto path = listenerRecentPath(listener, 100).toUtf8();
        const auto compressed = m_client->raw("GET " + path + " HTTP/1.1\r\nHost: relay\r\nAuthorization: Bearer "
            + m_key + "\r\nAccept-Encoding: gzip\r\nConnection: close\r\n\r\n");
        QCOMPARE(compressed.status, 200);
        QCOMPARE(compressed.headers.value("content-encoding"), "gzip");
        QVERIFY(compressed.body.startsWith("\x1f\x8b"));
        QVERIFY(compressed.body.size() < 2000);
        QCOMPARE(m_client->send("GET", QString::fromUtf8(path)).json()["webhooks"].size(), 5u);
    }

    // Only the newest payloads of each listener are kept once the background pruning has run.
    // Every listener keeps its newest payloads: those stored before a restart under a higher limit,
    // and those that arrive between passes.
    void retentionKeepsTheNewest()
    {
        RelayProcess relay;
        QVERIFY(relay.start());
        RelayClient client(relay);
        const auto key = client.signIn();
        client.setKey(key);
        const auto busy = client.createListener("Kept");
        const auto quiet = client.createListener("Few");
        QStringList ids;
        for (int index = 0; index < 5; ++index) {
            ids << QString::fromStdString(client.hook(busy).json()["id"].get<std::string>());
        }
        for (int index = 0; index < 2; ++index) {
            QCOMPARE(client.hook(quiet).status, 202);
        }
        QCOMPARE(relay.terminate(), 0);

        QVERIFY(relay.start({"--retention-count", "3", "--prune-interval", "1"}));
        RelayClient restarted(relay);
        restarted.setKey(key);
        const auto stored = [&restarted](const Json& listener) {
            return restarted.send("GET", listenerRecentPath(listener, 10)).json()["webhooks"];
        };
        QTRY_COMPARE_WITH_TIMEOUT(stored(busy).size(), 3u, 10000);
        QCOMPARE(stored(busy)[2]["id"], ids[2].toStdString());
        QCOMPARE(stored(quiet).size(), 2u);

        for (int index = 0; index < 2; ++index) {
            ids << QString::fromStdString(restarted.hook(busy).json()["id"].get<std::string>());
        }
        QTRY_COMPARE_WITH_TIMEOUT(stored(busy).size(), 3u, 10000);
        QCOMPARE(stored(busy)[0]["id"], ids[6].toStdString());
        QCOMPARE(stored(busy)[2]["id"], ids[4].toStdString());
        QCOMPARE(stored(quiet).size(), 2u);
    }

private:
    static QString listenerRecentPath(const Json& listener, int limit)
    {
        return "/webhooks/listener/" + QString::fromStdString(listener["id"].get<std::string>())
            + "/recent?limit=" + QString::number(limit);
    }

    // Marks everything pending delivered, so a test sees only what it sends.
    void drainPending()
    {
        for (int round = 0; round < 100; ++round) {
            const auto pending = m_client->send("GET", "/webhooks/poll?limit=100").json();
            const auto payloads = pending["webhooks"];
            if (pending["count"] == 0) {
                return;
            }
            for (const auto& payload : payloads) {
                m_client->send(
                    "POST", "/webhooks/" + QString::fromStdString(payload["id"].get<std::string>()) + "/delivered");
            }
        }
    }

    RelayProcess m_relay;
    std::unique_ptr<RelayClient> m_client;
    QByteArray m_key;
};

CORVANE_TEST(ApiTest)
#include "ApiTest.moc"
