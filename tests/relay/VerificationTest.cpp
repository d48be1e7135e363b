#include "support/JsonLiteral.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QMessageAuthenticationCode>
#include <QTest>

#include <memory>

using namespace corvane;
using namespace corvane::test;
using Json = nlohmann::json;

namespace {

const QByteArray secret = "s3cr3t-that-no-answer-shows";

QByteArray githubSignature(const QByteArray& body, const QByteArray& key = secret)
{
    return "sha256=" + QMessageAuthenticationCode::hash(body, key, QCryptographicHash::Sha256).toHex();
}

} // namespace

// Listeners that verify their senders' signatures, through a real relay: what is refused, what is
// stored with its outcome, retries, and the secret, which is kept but never shown.
class VerificationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CORVANE_SKIP_WITHOUT_RELAY_STORE();
        m_relay.keepLog();
        QVERIFY(m_relay.start());
        m_client = std::make_unique<RelayClient>(m_relay);
        m_client->setKey(m_client->signIn());
    }

    // A good signature, a tampered body and no signature: reject refuses the last two and stores
    // nothing of them, mark stores all three with their outcome.
    void signaturesAreJudgedByMode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("reject") << "reject" << QList<int>{202, 401, 401} << QByteArray(R"([{"status":"verified"}])");
        QTest::newRow("mark") << "mark" << QList<int>{202, 202, 202} << QByteArray(R"([{"status":"verified"},
                                     {"status":"failed","reason":"signature does not match"},
                                     {"status":"failed","reason":"missing signature header"}])");
    }

    void signaturesAreJudgedByMode()
    {
        QFETCH(QString, mode);
        QFETCH(QList<int>, statuses);
        QFETCH(QByteArray, stored);
        const auto listener
            = create(Json{{"scheme", "github"}, {"secret", secret.toStdString()}, {"mode", mode.toStdString()}});
        const QByteArray body = R"({"action":"opened"})";
        const QList<HeaderList> signatures{{{"X-Hub-Signature-256", githubSignature(body)}},
            {{"X-Hub-Signature-256", githubSignature(R"({"action":"closed"})")}}, {}};
        QList<int> answered;
        for (const auto& headers : signatures) {
            answered << m_client->send("POST", hookOf(listener), body, headers).status;
        }
        QCOMPARE(answered, statuses);
        const auto poll = m_client->send("GET", "/webhooks/poll?limit=100").json();
        auto outcomes = Json::array();
        for (const auto& payload : poll["webhooks"]) {
            if (payload["listener_id"] == listener["id"]) {
                outcomes.push_back(payload["verification"]);
            }
        }
        QCOMPARE(outcomes, test::json(stored.toStdString()));
        const auto current = m_client->send("GET", "/listeners/").json()["listeners"][0];
        QCOMPARE(current["total_received"], outcomes.size());
    }

    // A sender's retry of a verified webhook-id is acknowledged without a second copy.
    void verifiedRetryIsStoredOnce()
    {
        const QByteArray standard = "whsec_" + QByteArray("retry-key-bytes").toBase64();
        const auto listener = create(Json{{"scheme", "standard"}, {"secret", standard.toStdString()}});
        const QByteArray body = R"({"n":1})";
        const auto timestamp = QByteArray::number(QDateTime::currentSecsSinceEpoch());
        const auto signedAs = [&](const QByteArray& id) {
            const auto mac = QMessageAuthenticationCode::hash(
                id + "." + timestamp + "." + body, "retry-key-bytes", QCryptographicHash::Sha256);
            return HeaderList{
                {"webhook-id", id}, {"webhook-timestamp", timestamp}, {"webhook-signature", "v1," + mac.toBase64()}};
        };
        QCOMPARE(m_client->send("POST", hookOf(listener), body, signedAs("msg_1")).status, 202);
        const auto retry = m_client->send("POST", hookOf(listener), body, signedAs("msg_1"));
        QCOMPARE(retry.status, 200);
        QCOMPARE(retry.json(), Json({{"replayed", true}}));
        QCOMPARE(m_client->send("POST", hookOf(listener), body, signedAs("msg_2")).status, 202);
        const auto recent
            = m_client->send("GET", "/webhooks/listener/" + QString::fromStdString(listener["id"]) + "/recent");
        QCOMPARE(recent.json()["webhooks"].size(), std::size_t(2));
    }

    // PATCH without a secret keeps it for the same scheme and needs one for another; no answer and no
    // log line ever holds it.
    void secretIsKeptButNeverShown()
    {
        const auto listener = create(Json{{"scheme", "github"}, {"secret", secret.toStdString()}});
        QCOMPARE(listener["verification"], Json({{"scheme", "github"}, {"mode", "mark"}, {"secret_set", true}}));
        QByteArrayList answers{QByteArray::fromStdString(listener.dump())};
        const auto path = "/listeners/" + QString::fromStdString(listener["id"]);
        const auto patched = m_client->send("PATCH", path, R"({"verification":{"scheme":"github","mode":"reject"}})");
        QCOMPARE(patched.status, 200);
        QCOMPARE(patched.json()["verification"]["mode"], "reject");
        const QByteArray body = "{}";
        QCOMPARE(
            m_client->send("POST", hookOf(listener), body, {{"X-Hub-Signature-256", githubSignature(body)}}).status,
            202);
        const auto otherScheme
            = m_client->send("PATCH", path, R"({"verification":{"scheme":"slack","mode":"reject"}})");
        QCOMPARE(otherScheme.status, 400);
        QCOMPARE(otherScheme.json()["error"], "verification.secret is required");
        answers << patched.body << otherScheme.body << m_client->send("GET", "/listeners/").body
                << m_client->send("GET", "/webhooks/poll?limit=100").body << m_client->send("GET", "/metrics").body;
        for (const auto& answer : answers) {
            QVERIFY2(!answer.contains(secret), answer.constData());
        }
        QVERIFY(answers.last().contains(R"(corvane_relay_verifications_total{scheme="github",outcome="verified"})"));
        QVERIFY(m_relay.log().contains("/listeners/:id") && !m_relay.log().contains(secret));
    }

private:
    Json create(const Json& verification)
    {
        const auto body = Json{{"name", "Signed"}, {"verification", verification}}.dump();
        return m_client->send("POST", "/listeners/", QByteArray::fromStdString(body)).json();
    }

    static QString hookOf(const Json& listener) { return QString::fromStdString(listener["hook_path"]); }

    RelayProcess m_relay;
    std::unique_ptr<RelayClient> m_client;
};

CORVANE_TEST(VerificationTest)
#include "VerificationTest.moc"
