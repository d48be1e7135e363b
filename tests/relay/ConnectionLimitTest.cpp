#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QTcpSocket>
#include <QTest>

#include <array>
#include <memory>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int waitMilliseconds = 15000;
const QByteArray health = "GET /healthz HTTP/1.1\r\nHost: relay\r\n\r\n";
const QByteArray lastHealth = "GET /healthz HTTP/1.1\r\nHost: relay\r\nConnection: close\r\n\r\n";

// Opens a connection, has one request answered on it and leaves it open; null when that fails.
std::unique_ptr<QTcpSocket> openHeld(quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    if (!socket->waitForConnected(waitMilliseconds)) {
        return nullptr;
    }
    socket->write(health);
    QByteArray answer;
    while (!answer.contains("{\"status\":\"ok\"}") && socket->waitForReadyRead(waitMilliseconds)) {
        answer += socket->readAll();
    }
    return answer.startsWith("HTTP/1.1 200") ? std::move(socket) : nullptr;
}

} // namespace

// The cap on connections served at once: one more is answered 503 and closed, and a slot a client
// gives up serves the next.
class ConnectionLimitTest : public QObject {
    Q_OBJECT

private slots:
    void connectionsBeyondTheCapAreTurnedAway()
    {
        RelayProcess relay;
        QVERIFY(relay.start({"--max-connections", "2"}));
        RelayClient client(relay);
        std::array held{openHeld(relay.port()), openHeld(relay.port())};
        QVERIFY(held[0] && held[1]);

        const auto refused = client.raw(lastHealth);
        QCOMPARE(refused.status, 503);
        QVERIFY(refused.json()["error"].is_string());
        QCOMPARE(refused.headers.value("retry-after"), QByteArray("1"));
        QCOMPARE(refused.headers.value("connection"), QByteArray("close"));

        held[0]->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(client.raw(lastHealth).status, 200, waitMilliseconds);

        // The connection still held was never disturbed.
        held[1]->write(lastHealth);
        QVERIFY(held[1]->waitForDisconnected(waitMilliseconds));
        QVERIFY(held[1]->readAll().startsWith("HTTP/1.1 200"));
    }
};

CORVANE_TEST(ConnectionLimitTest)
#include "ConnectionLimitTest.moc"
