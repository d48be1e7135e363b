#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTest>

#include <chrono>
#include <cstdlib>
#include <memory>

using namespace corvane::test;

namespace {

constexpr int waitMilliseconds = 15000;

std::string versionOf(RelayClient& client, const QString& query = {})
{
    return client.send("GET", "/changes" + query).json().value("version", std::string());
}

// 0 while the relay cannot answer.
std::uint64_t numberOf(const std::string& version)
{
    return std::strtoull(version.c_str(), nullptr, 10);
}

bool controlCluster(const QString& action)
{
    return QProcess::execute(qEnvironmentVariable("CORVANE_TEST_POSTGRES_CONTROL"), {"--control", action}) == 0;
}

int waiters(RelayClient& client)
{
    static const QRegularExpression gauge("corvane_relay_change_waiters (\\d+)");
    return gauge.match(QString::fromUtf8(client.send("GET", "/metrics").body)).captured(1).toInt();
}

} // namespace

// Two relay processes on one PostgreSQL database behave as one relay.
class ClusterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!RelayProcess::usesPostgres()) {
            QSKIP("instances share a database only with the PostgreSQL store; relay_tests_postgresql runs these");
        }
        CORVANE_SKIP_WITHOUT_RELAY_STORE();
        QVERIFY(m_first.start());
        QVERIFY(m_second.start({"--database", m_first.database()}));
        m_key = m_a.signInAndUse();
        m_b.setKey(m_key);
    }

    // Posted to either instance, polled and marked delivered through either: each webhook comes once.
    void webhooksPostedAndPolledAlternatelyComeOnce()
    {
        const auto listener = m_a.createListener("Alternating");
        QSet<QString> sent;
        for (int n = 0; n < 20; ++n) {
            const auto accepted = (n % 2 == 0 ? m_a : m_b).hook(listener, QByteArray::number(n));
            QCOMPARE(accepted.status, 202);
            sent.insert(RelayClient::idOf(accepted.json()));
        }
        QSet<QString> delivered;
        for (int round = 0; round < 20 && delivered.size() < sent.size(); ++round) {
            auto& polling = round % 2 == 0 ? m_a : m_b;
            auto& marking = round % 2 == 0 ? m_b : m_a;
            const auto page = polling.send("GET", "/webhooks/poll?limit=3").json();
            for (const auto& payload : page["webhooks"]) {
                const auto id = RelayClient::idOf(payload);
                QVERIFY2(!delivered.contains(id), qPrintable("offered again after delivery: " + id));
                delivered.insert(id);
                QCOMPARE(marking.send("POST", "/webhooks/" + id + "/delivered").status, 204);
            }
        }
        QCOMPARE(delivered, sent);
    }

    // A listener changed through one instance is served as changed by the other, which had it cached.
    void listenerChangeReachesTheOtherInstance_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("deleted") << QByteArray("DELETE") << QByteArray() << 404;
        QTest::newRow("signatures required")
            << QByteArray("PATCH")
            << QByteArray(R"({"verification":{"scheme":"github","secret":"cluster-secret","mode":"reject"}})") << 401;
    }

    void listenerChangeReachesTheOtherInstance()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        const auto listener = m_a.createListener("Changing");
        QCOMPARE(m_b.hook(listener).status, 202);
        QVERIFY(m_a.send(method, "/listeners/" + RelayClient::idOf(listener), body).status < 300);
        QTRY_COMPARE_WITH_TIMEOUT(m_b.hook(listener).status, status, waitMilliseconds);
    }

    // Both instances answer the same version, and a wait on one ends with a webhook the other took.
    void waitOnOneInstanceEndsWithAWebhookToTheOther()
    {
        const auto listener = m_a.createListener("Waking");
        QTRY_COMPARE_WITH_TIMEOUT(versionOf(m_b), versionOf(m_a), waitMilliseconds);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_second.port());
        socket.write("GET /changes?wait=60&after=" + QByteArray::fromStdString(versionOf(m_b))
            + " HTTP/1.1\r\nHost: relay\r\nAuthorization: Bearer " + m_key + "\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(waiters(m_b), 1, waitMilliseconds);
        QCOMPARE(m_a.hook(listener).status, 202);
        const auto moved = QByteArray::fromStdString("\"" + versionOf(m_a) + "\"}");
        QTRY_VERIFY_WITH_TIMEOUT(socket.peek(4096).endsWith(moved), waitMilliseconds);
    }

    // A version from the other instance whose news is still on its way is waited for, not answered at
    // once with an older one (which the client would take for a change, and come back at once).
    void versionAheadIsWaitedFor()
    {
        const auto ahead = std::to_string(numberOf(versionOf(m_b)) + 1000);
        QCOMPARE(versionOf(m_b, QString::fromStdString("?wait=1&after=" + ahead)), ahead);
    }

    // Whatever arrives on the channel, nothing but a well-formed, believable announcement is taken.
    void foreignAnnouncementsAreIgnored_data()
    {
        QTest::addColumn<QString>("payload");
        QTest::newRow("not an announcement") << "hello";
        QTest::newRow("version beyond 64 bits") << "* 99999999999999999999";
        QTest::newRow("version centuries ahead") << "* 17000000000000000";
    }

    void foreignAnnouncementsAreIgnored()
    {
        QFETCH(QString, payload);
        const QStringList arguments{"-X", "-q", "-o", "/dev/null", "-v", "ON_ERROR_STOP=1", m_first.database(), "-c",
            "SELECT pg_notify('corvane_relay_changes', $$" + payload + "$$)"};
        QCOMPARE(QProcess::execute("psql", arguments), 0);
        // Announcements arrive in order: once this one is in, the one before was handled.
        m_b.createListener("After");
        QTRY_COMPARE_WITH_TIMEOUT(versionOf(m_a), versionOf(m_b), waitMilliseconds);
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        QVERIFY(numberOf(versionOf(m_a)) < std::uint64_t(
                    std::chrono::duration_cast<std::chrono::microseconds>(now + std::chrono::hours(1)).count()));
        QVERIFY(m_first.running() && m_second.running());
    }

    // Announcements made while the database was away are lost: once it is back, every account moves.
    void everyAccountMovesOnceTheDatabaseIsBack()
    {
        const auto before = numberOf(versionOf(m_a));
        QVERIFY(controlCluster("stop"));
        QVERIFY(controlCluster("start"));
        QTRY_VERIFY_WITH_TIMEOUT(numberOf(versionOf(m_a)) > before, waitMilliseconds);
        QTRY_COMPARE_WITH_TIMEOUT(versionOf(m_b), versionOf(m_a), waitMilliseconds);
    }

private:
    RelayProcess m_first;
    RelayProcess m_second;
    RelayClient m_a{m_first};
    RelayClient m_b{m_second};
    QByteArray m_key;
};

CORVANE_TEST(ClusterTest)
#include "ClusterTest.moc"
