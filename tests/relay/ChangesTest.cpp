#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

using namespace corvane::test;

namespace {

constexpr int waitMilliseconds = 20000;
constexpr std::size_t maxWaiters = 2000;

std::string versionOf(RelayClient& client, const std::string& query = {})
{
    return client.send("GET", QString::fromStdString("/changes" + query)).json().value("version", std::string());
}

int waiters(RelayClient& client)
{
    static const QRegularExpression gauge("corvane_relay_change_waiters (\\d+)");
    return gauge.match(QString::fromUtf8(client.send("GET", "/metrics").body)).captured(1).toInt();
}

} // namespace

// GET /changes and the conditional reads it stands for, against a real relay process.
class ChangesTest : public QObject {
    Q_OBJECT

    // GET /changes?after=<version> on a connection of its own, answered while the test goes on.
    std::unique_ptr<QTcpSocket> startWaiting(const QByteArray& key, const std::string& after)
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, m_relay.port());
        socket->write("GET /changes?wait=60&after=" + QByteArray::fromStdString(after)
            + " HTTP/1.1\r\nHost: relay\r\nAuthorization: Bearer " + key + "\r\n\r\n");
        return socket;
    }

private slots:
    void initTestCase()
    {
        CORVANE_SKIP_WITHOUT_RELAY_STORE();
        QVERIFY(m_relay.start({"--max-change-waiters", QString::number(maxWaiters), "--max-connections", "100"}));
        m_mineKey = m_mine.signInAndUse("mine@example.org");
        m_otherKey = m_other.signInAndUse("other@example.org");
    }

    void versionMovesForTheAccountChanged_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::newRow("listener created") << QByteArray("POST") << "/listeners/";
        QTest::newRow("listener changed") << QByteArray("PATCH") << "/listeners/LISTENER";
        QTest::newRow("webhook captured") << QByteArray("HOOK") << "";
        QTest::newRow("delivery marked") << QByteArray("POST") << "/webhooks/PAYLOAD/delivered";
        QTest::newRow("listener deleted") << QByteArray("DELETE") << "/listeners/LISTENER";
    }

    void versionMovesForTheAccountChanged()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        const auto listener = m_mine.createListener("Deploys");
        const auto payload = m_mine.hook(listener).json();
        const auto mine = versionOf(m_mine);
        const auto other = versionOf(m_other);
        path.replace("LISTENER", RelayClient::idOf(listener)).replace("PAYLOAD", RelayClient::idOf(payload));
        const auto answer
            = method == "HOOK" ? m_mine.hook(listener) : m_mine.send(method, path, R"({"name":"Renamed"})");
        QVERIFY2(answer.status < 300, answer.body.constData());
        QVERIFY(std::stoull(versionOf(m_mine)) > std::stoull(mine));
        // Answered at once for a version it does not hold, at the end of its wait for the current one.
        QCOMPARE(versionOf(m_mine, "?wait=60&after=" + mine), versionOf(m_mine));
        QCOMPARE(versionOf(m_other, "?wait=1&after=" + other), other);
    }

    void notModifiedOnlyForTheCurrentTag_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<bool>("changedSince");
        QTest::addColumn<int>("status");
        for (const QString path : {"/listeners/", "/webhooks/recent?limit=5"}) {
            QTest::addRow("%s tag", qPrintable(path)) << path << "TAG" << false << 304;
            QTest::addRow("%s listed", qPrintable(path)) << path << R"("1", W/TAG)" << false << 304;
            QTest::addRow("%s other", qPrintable(path)) << path << R"("1")" << false << 200;
            QTest::addRow("%s stale", qPrintable(path)) << path << "TAG" << true << 200;
        }
    }

    void notModifiedOnlyForTheCurrentTag()
    {
        QFETCH(QString, path);
        QFETCH(QString, condition);
        QFETCH(bool, changedSince);
        QFETCH(int, status);
        const auto tag = QString::fromLatin1(m_mine.send("GET", path).headers.value("etag"));
        QVERIFY(!tag.isEmpty());
        if (changedSince) {
            m_mine.createListener("Later");
        }
        const auto answer = m_mine.send("GET", path, {}, {{"If-None-Match", condition.replace("TAG", tag).toLatin1()}});
        QCOMPARE(answer.status, status);
        QCOMPARE(answer.body.isEmpty(), status == 304);
    }

    // Waiters count against their own cap, not the connections': one beyond it is answered 503. A
    // change wakes the waiters of its account only; one whose client leaves is released.
    void manyWaitersAreHeldAndReleasedByTheirAccount()
    {
        const auto listener = m_mine.createListener("Deploys");
        const auto version = versionOf(m_mine);
        std::vector<std::unique_ptr<QTcpSocket>> held;
        held.push_back(startWaiting(m_otherKey, versionOf(m_other)));
        while (held.size() < maxWaiters) {
            for (int batch = 0; batch < 50 && held.size() < maxWaiters; ++batch) {
                held.push_back(startWaiting(m_mineKey, version));
            }
            QTRY_COMPARE_WITH_TIMEOUT(waiters(m_mine), int(held.size()), waitMilliseconds);
        }
        const auto refused = m_mine.send("GET", QString::fromStdString("/changes?after=" + version));
        QCOMPARE(refused.status, 503);
        QCOMPARE(refused.headers.value("retry-after"), QByteArray("1"));

        QCOMPARE(m_mine.hook(listener).status, 202);
        const auto moved = QByteArray::fromStdString("\"" + versionOf(m_mine) + "\"}");
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(held.begin() + 1, held.end(),
                                     [&](const auto& socket) { return socket->peek(4096).endsWith(moved); }),
            waitMilliseconds);
        QCOMPARE(waiters(m_mine), 1);
        held.front()->abort();
        QTRY_COMPARE_WITH_TIMEOUT(waiters(m_mine), 0, waitMilliseconds);
    }

private:
    RelayProcess m_relay;
    RelayClient m_mine{m_relay};
    RelayClient m_other{m_relay};
    QByteArray m_mineKey;
    QByteArray m_otherKey;
};

CORVANE_TEST(ChangesTest)
#include "ChangesTest.moc"
