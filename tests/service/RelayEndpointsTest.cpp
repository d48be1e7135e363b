#include "platform/FileSecretStore.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"
#include "support/HeadlessSession.h"
#include "support/JsonLiteral.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QNetworkAccessManager>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <memory>

using namespace corvane;

namespace {

template <class Result> const char* failureOf(const Result& result)
{
    return result ? "" : qPrintable(result.error().description);
}

} // namespace

// Every endpoint of the app's client against a real corvane-relay process.
class RelayEndpointsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        m_relay = std::make_unique<test::RelayProcess>(
            QStringList{"API_TOKEN=relay-owner-static-key", "CORVANE_RELAY_MAX_BODY_BYTES=50331648"});
        QVERIFY(m_relay->start());
    }

    void init()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
        AppSettings::setServiceURL(QStringLiteral("http://127.0.0.1:%1").arg(m_relay->port()));
        m_secrets = std::make_unique<FileSecretStore>(m_folder.filePath("api-token"));
        QCOMPARE(QCoro::waitFor(m_secrets->write("relay-owner-static-key")), 0);
        m_client = std::make_unique<ServiceClient>(m_network, *m_secrets);
    }

    void cleanupTestCase()
    {
        m_client.reset();
        m_relay.reset();
    }

    void listenersRoundTrip()
    {
        NotificationConfig config;
        config.title = "{{body.action}}";
        config.sound = "Pop";
        config.link = "{{body.pull_request.html_url}}";
        const auto created = QCoro::waitFor(m_client->createListener("Deploys", config));
        QVERIFY2(created, failureOf(created));
        QCOMPARE(created->notificationConfig, config);
        QVERIFY(created->isEnabled);
        const QString id = QString::fromStdString(created->id);

        const auto renamed = QCoro::waitFor(m_client->updateListener(id, QString("Releases"), std::nullopt, false));
        QVERIFY2(renamed, failureOf(renamed));
        QCOMPARE(renamed->name, "Releases");
        QCOMPARE(renamed->notificationConfig, config);
        QVERIFY(!renamed->isEnabled);

        const auto listed = QCoro::waitFor(m_client->listListeners());
        QVERIFY2(listed, failureOf(listed));
        QVERIFY(std::ranges::find(*listed, created->id, &Listener::id) != listed->end());

        QVERIFY(QCoro::waitFor(m_client->deleteListener(id)));
        const auto missing = QCoro::waitFor(m_client->deleteListener(id));
        QCOMPARE(missing.error().status, 404);
    }

    // A sender the relay knows gets templates that name its facts, and the link to what happened.
    void suggestionOfAKnownSender()
    {
        const auto suggestion = QCoro::waitFor(m_client->suggestTemplate(
            "{\"headers\": {\"x-github-event\": \"pull_request\"}, \"body\": {\"action\": \"opened\", \"number\": 7, "
            "\"repository\": {\"full_name\": \"acme/atlas\"}, \"pull_request\": {\"title\": \"Faster builds\", "
            "\"user\": {\"login\": \"ada\"}, \"html_url\": \"https://git.example.test/acme/atlas/pull/7\"}}}"));
        QVERIFY2(suggestion, failureOf(suggestion));
        QCOMPARE(suggestion->link, "{{body.pull_request.html_url}}");
        QVERIFY(suggestion->title.find("{{body.repository.full_name}}") != std::string::npos);
    }

    void payloadsFromHookToDelivered()
    {
        const auto listener = QCoro::waitFor(m_client->createListener("Hooks", {}));
        QVERIFY2(listener, failureOf(listener));
        test::RelayClient sender(*m_relay);
        const auto hookJson = nlohmann::json{{"hook_path", listener->hookPath}};
        QCOMPARE(sender.hook(hookJson, R"({"action": "opened"})").status, 202);
        QCOMPARE(sender.hook(hookJson, "plain text").status, 202);

        const auto polled = QCoro::waitFor(m_client->poll(25));
        QVERIFY2(polled, failureOf(polled));
        QCOMPARE(polled->size(), 2U);
        QCOMPARE(polled->front().listenerName, std::optional<std::string>("Hooks"));
        QCOMPARE(polled->front().body->value["action"], nlohmann::json("opened"));
        QCOMPARE(polled->back().rawBody, std::optional<std::string>("plain text"));
        QCOMPARE(polled->back().body, std::nullopt);

        for (const auto& payload : *polled) {
            QVERIFY(QCoro::waitFor(m_client->markDelivered(QString::fromStdString(payload.id))));
        }
        QVERIFY(QCoro::waitFor(m_client->poll(25))->empty());

        const auto recent = QCoro::waitFor(m_client->recentPayloads(QString::fromStdString(listener->id), 10));
        QVERIFY2(recent, failureOf(recent));
        QCOMPARE(recent->size(), 2U);
        QVERIFY(recent->front().deliveredAt.has_value());
        const auto all = QCoro::waitFor(m_client->recentAll(100));
        QVERIFY2(all, failureOf(all));
        QVERIFY(all->size() >= 2);
    }

    // Bodies of repeated bytes inflate far beyond Qt's default ratio check; the client takes them up to
    // its own bound on answers and fails clearly past it.
    void compressibleAnswersUpToTheBound_data()
    {
        QTest::addColumn<int>("mebibytes");
        QTest::addColumn<QString>("failure");
        QTest::newRow("the relay's default largest body") << 10 << "";
        QTest::newRow("past the bound") << 40 << "The service's answer is larger than 64 MiB, more than Corvane takes.";
    }
    void compressibleAnswersUpToTheBound()
    {
        QFETCH(int, mebibytes);
        QFETCH(QString, failure);
        const auto listener = QCoro::waitFor(m_client->createListener("Bulk", {}));
        QVERIFY2(listener, failureOf(listener));
        QByteArray body = "[{}";
        while (body.size() < mebibytes * 1024 * 1024 - 4) {
            body += ",{}";
        }
        body += "]";
        QCOMPARE(test::RelayClient(*m_relay).hook(nlohmann::json{{"hook_path", listener->hookPath}}, body).status, 202);

        const auto polled = QCoro::waitFor(m_client->poll(25));
        QVERIFY(QCoro::waitFor(m_client->deleteListener(QString::fromStdString(listener->id))));
        QCOMPARE(polled ? QString() : polled.error().description, failure);
        if (polled) {
            QCOMPARE(polled->size(), 1U);
            QCOMPARE(polled->front().rawBody->size(), std::size_t(body.size()));
        }
    }

private:
    QTemporaryDir m_folder;
    QNetworkAccessManager m_network;
    std::unique_ptr<test::RelayProcess> m_relay;
    std::unique_ptr<FileSecretStore> m_secrets;
    std::unique_ptr<ServiceClient> m_client;
};

CORVANE_TEST(RelayEndpointsTest)
#include "RelayEndpointsTest.moc"
