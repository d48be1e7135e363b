#include "service/ServiceClient.h"
#include "platform/FileSecretStore.h"
#include "platform/SecretServiceStore.h"
#include "service/AppSettings.h"
#include "support/HeadlessSession.h"
#include "support/JsonLiteral.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestRegistry.h"

#include <QNetworkAccessManager>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <memory>

using namespace corvane;
using test::ScriptedHttpServer;

namespace {

constexpr auto listenerText = R"({"id": "l1", "listener_token": "tok", "name": "Deploys", "is_enabled": true,
    "notification_config": {}, "created_at": "2025-01-31T09:15:00.250Z",
    "updated_at": "2025-01-31T09:15:00.250Z", "hook_path": "/h/tok"})";

constexpr auto payloadText = R"({"id": "p1", "method": "POST", "received_at": "2025-01-31T09:15:00.250Z"})";

} // namespace

class ServiceClientTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
        m_server = std::make_unique<ScriptedHttpServer>();
        m_secrets = std::make_unique<FileSecretStore>(m_folder.filePath("api-token"));
        m_client = std::make_unique<ServiceClient>(m_network, *m_secrets);
        AppSettings::setServiceURL(m_server->baseURL());
        QCOMPARE(QCoro::waitFor(m_secrets->write("secret-key")), 0);
    }

    void cleanup()
    {
        m_client.reset();
        m_server.reset();
    }

    void answersBecomeResultsOrFailures_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QString>("description");

        QTest::newRow("204 without body") << ScriptedHttpServer::response(204, "") << true << "";
        QTest::newRow("404 text") << ScriptedHttpServer::response(404, "not found", "text/plain") << false
                                  << "HTTP 404: not found";
        QTest::newRow("500 not UTF-8") << ScriptedHttpServer::response(500, "\xC3\x28\xFF") << false << "HTTP 500: ";
    }
    void answersBecomeResultsOrFailures()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, succeeds);
        QFETCH(QString, description);

        m_server->script("/thing", answer);
        const auto result = QCoro::waitFor(m_client->request("/thing", "GET", std::nullopt, true));
        QCOMPARE(result.has_value(), succeeds);
        if (!succeeds) {
            QCOMPARE(result.error().kind, Failure::Kind::badStatus);
            QCOMPARE(result.error().description, description);
        }
    }

    // A service URL that does not parse fails before anything is sent.
    void unusableURLSendsNothing()
    {
        AppSettings::setServiceURL("http://exa mple.com");
        const auto failed = QCoro::waitFor(m_client->listListeners());
        QCOMPARE(failed.error().kind, Failure::Kind::missingURL);
        QCOMPARE(failed.error().description, "service URL not set");
        QVERIFY(m_server->requests().isEmpty());
    }

    // The keyring's token is remembered between requests and read again once the relay refuses it (here
    // another program changed it).
    void refusedKeyIsReadAgain()
    {
        SecretServiceStore remembering(std::chrono::seconds(10), m_folder.filePath("fallback"));
        SecretServiceStore other(std::chrono::seconds(10), m_folder.filePath("fallback"));
        ServiceClient client(m_network, remembering);
        QCOMPARE(QCoro::waitFor(remembering.write("old-key")), 0);
        QCOMPARE(QCoro::waitFor(remembering.read()), "old-key");
        QCOMPARE(QCoro::waitFor(other.write("new-key")), 0);
        m_server->script("/thing", ScriptedHttpServer::response(401, R"({"error": "invalid API key"})"));
        for (int sent = 0; sent < 3; ++sent) {
            QVERIFY(!QCoro::waitFor(client.request("/thing", "GET", std::nullopt, true)));
        }
        const auto& requests = m_server->requests();
        QCOMPARE(requests[0].headers.value("authorization"), "Bearer old-key");
        QCOMPARE(requests[2].headers.value("authorization"), "Bearer new-key");
    }

    // A payload whose listed body was cut is read again whole by its id; a whole one is used as it is.
    void cutBodiesAreReadWhole()
    {
        m_server->script("/webhooks/p%2F1", ScriptedHttpServer::response(200, R"({"id": "p/1", "method": "POST",
            "received_at": "2025-01-31T09:15:00.250Z", "raw_body": "whole"})"));
        Payload listed;
        listed.id = "p/1";
        listed.rawBody = "wh";
        listed.bodyTruncated = true;
        QCOMPARE(QCoro::waitFor(m_client->wholePayload(listed))->rawBody, std::optional<std::string>("whole"));
        listed.bodyTruncated = false;
        QCOMPARE(QCoro::waitFor(m_client->wholePayload(listed))->rawBody, std::optional<std::string>("wh"));
        QCOMPARE(m_server->requests().size(), 1);
    }

    // The key goes as a bearer token, and a content type with a body, only where they apply; bodies
    // leave out what is absent.
    void requestsCarryWhatApplies()
    {
        m_server->script("/listeners/", ScriptedHttpServer::response(200, listenerText));
        m_server->script("/listeners/l1", ScriptedHttpServer::response(200, listenerText));
        m_server->script("/auth/callback",
            ScriptedHttpServer::response(
                200, R"({"api_key": "k", "account": {"id": "a", "email": "e@x", "tier": "free"}})"));
        NotificationConfig config;
        config.title = "{{body.action}}";
        QVERIFY(QCoro::waitFor(m_client->createListener("Deploys", config)));
        QVERIFY(QCoro::waitFor(m_client->updateListener("l1", std::nullopt, std::nullopt, false)));
        QVERIFY(QCoro::waitFor(m_client->exchange("code", QString("verifier"))));
        QCOMPARE(QCoro::waitFor(m_secrets->write("")), 0);
        m_server->script("/webhooks/p1/delivered", ScriptedHttpServer::response(200, ""));
        QVERIFY(QCoro::waitFor(m_client->markDelivered("p1")));

        const auto& requests = m_server->requests();
        QCOMPARE(requests.size(), 4);
        QCOMPARE(requests[0].method, "POST");
        QCOMPARE(requests[0].headers.value("authorization"), "Bearer secret-key");
        QCOMPARE(requests[0].headers.value("content-type"), "application/json");
        QCOMPARE(test::json(requests[0].body.toStdString()),
            test::json(
                R"({"name": "Deploys", "is_enabled": true, "notification_config": {"title": "{{body.action}}"}})"));
        QCOMPARE(requests[1].method, "PATCH");
        QCOMPARE(test::json(requests[1].body.toStdString()), test::json(R"({"is_enabled": false})"));
        QVERIFY(!requests[2].headers.contains("authorization"));
        QCOMPARE(
            test::json(requests[2].body.toStdString()), test::json(R"({"code": "code", "code_verifier": "verifier"})"));
        QVERIFY(!requests[3].headers.contains("authorization"));
        QVERIFY(!requests[3].headers.contains("content-type"));
    }

    void envelopesAreDecodedStrictly()
    {
        m_server->script(
            "/webhooks/poll?limit=25", ScriptedHttpServer::response(200, R"({"webhooks": [], "count": 0})"));
        m_server->script("/webhooks/poll?limit=1", ScriptedHttpServer::response(200, R"({"webhooks": []})"));
        m_server->script("/webhooks/listener/abc/recent?limit=10",
            ScriptedHttpServer::response(200, QByteArray(R"({"webhooks": [)") + payloadText + R"(, {"id": "p2"}]})"));
        m_server->script("/webhooks/recent?limit=100", ScriptedHttpServer::response(200, "[not json"));

        const auto empty = QCoro::waitFor(m_client->poll(25));
        QVERIFY(empty && empty->empty());
        QCOMPARE(QCoro::waitFor(m_client->poll(1)).error().description, "count: required key is missing");
        QCOMPARE(QCoro::waitFor(m_client->recentPayloads("abc", 10)).error().description,
            "webhooks[1].method: required key is missing");
        const auto garbled = QCoro::waitFor(m_client->recentAll(100));
        QCOMPARE(garbled.error().kind, Failure::Kind::decoding);
    }

    void aHangingReplyIsCancelled()
    {
        m_server->hang("/listeners/");
        std::stop_source stop;
        auto task = m_client->listListeners(stop.get_token());
        QTRY_COMPARE(m_server->requests().size(), 1);
        stop.request_stop();
        const auto result = QCoro::waitFor(task);
        QCOMPARE(result.error().kind, Failure::Kind::network);
        QCOMPARE(result.error().networkError, QNetworkReply::OperationCanceledError);
    }

    // The connection ends before the announced body is complete: the part that came is not decoded.
    void aBrokenTransferIsANetworkFailure()
    {
        m_server->script("/listeners/", "HTTP/1.1 200 OK\r\nContent-Length: 4096\r\n\r\n{\"listeners\": []}");
        const auto result = QCoro::waitFor(m_client->listListeners());
        QVERIFY(!result);
        QCOMPARE(result.error().kind, Failure::Kind::network);
        QCOMPARE(result.error().networkError, QNetworkReply::RemoteHostClosedError);
    }

    void sampleThatIsNotJsonIsNotSent()
    {
        const auto result = QCoro::waitFor(m_client->suggestTemplate("{nope"));
        QCOMPARE(result.error().kind, Failure::Kind::decoding);
        QVERIFY(m_server->requests().isEmpty());

        m_server->script("/listeners/suggest-template",
            ScriptedHttpServer::response(200, R"({"title": "{{body.action}}", "body": ""})"));
        QVERIFY(QCoro::waitFor(m_client->suggestTemplate(R"({"body": {"action": "opened"}})")));
        QCOMPARE(test::json(m_server->requests().front().body.toStdString()),
            test::json(R"({"sample": {"body": {"action": "opened"}}})"));
    }

private:
    QTemporaryDir m_folder;
    QNetworkAccessManager m_network;
    std::unique_ptr<ScriptedHttpServer> m_server;
    std::unique_ptr<FileSecretStore> m_secrets;
    std::unique_ptr<ServiceClient> m_client;
};

CORVANE_TEST(ServiceClientTest)
#include "ServiceClientTest.moc"
