#include "support/JsonLiteral.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QTcpSocket>
#include <QTest>

#include <sys/resource.h>

#include <memory>
#include <vector>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int waitMilliseconds = 15000;
#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer reserves terabytes of address space for its shadow memory.
constexpr bool addressSpaceCanBeLimited = false;
#else
constexpr bool addressSpaceCanBeLimited = true;
#endif

using Sockets = std::vector<std::unique_ptr<QTcpSocket>>;

// Opens `count` connections from `source` and writes `bytes` on each; stops at the first that fails.
Sockets openMany(quint16 port, int count, const QByteArray& bytes, const QHostAddress& source = QHostAddress::LocalHost)
{
    Sockets sockets;
    for (int index = 0; index < count; ++index) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->bind(source);
        socket->connectToHost(QHostAddress::LocalHost, port);
        if (!socket->waitForConnected(waitMilliseconds)) {
            break;
        }
        socket->write(bytes);
        socket->waitForBytesWritten(waitMilliseconds);
        sockets.push_back(std::move(socket));
    }
    return sockets;
}

// The status of the first response that arrived on `socket`, 0 while none has.
int statusOf(QTcpSocket& socket)
{
    const auto head = socket.peek(12);
    return head.startsWith("HTTP/1.1 ") ? head.mid(9, 3).toInt() : 0;
}

} // namespace

// What the relay does when clients misbehave on purpose: ambiguous framing, bodies it will refuse,
// connections held open without finishing a request, more connections than it serves or has files for.
class HostileClientTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CORVANE_SKIP_WITHOUT_RELAY_STORE();
        rlimit files{};
        getrlimit(RLIMIT_NOFILE, &files);
        files.rlim_cur = files.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur < 4096) {
            QSKIP("needs 4096 open files");
        }
        QVERIFY(m_relay.start({"--idle-timeout", "1", "--max-body-bytes", "65536"}));
        m_key = m_client.signInAndUse();
    }

    // Announced bodies cost nothing until they arrive, and a connection that ends in the middle of a
    // request leaves nothing behind.
    void announcedBodiesCostNothing()
    {
        RelayProcess relay;
        if (addressSpaceCanBeLimited) {
            relay.setLimits({{RLIMIT_AS, quint64{2} << 30, quint64{2} << 30}});
        }
        QVERIFY(relay.start());
        const QByteArray request = "POST /nowhere HTTP/1.1\r\nHost: relay\r\nContent-Length: 10485760\r\n\r\nx";
        for (const int count : {1200, 300}) {
            QCOMPARE(int(openMany(relay.port(), count, request).size()), count);
        }
        QCOMPARE(RelayClient(relay).send("GET", "/healthz").status, 200);
        QCOMPARE(relay.terminate(), 0);
    }

    // A request that is too large, malformed or whose end is ambiguous is refused and its connection
    // closed, even while the client is still sending: nothing is stored, and the bytes after it never
    // pass for another request. Chunk framing is bounded as the head is.
    void refusedRequestsLeaveNothingBehind_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        const QByteArray host = "Host: relay\r\n";
        const QByteArray chunked = "Transfer-Encoding: chunked\r\n";
        QTest::newRow("gzip") << host + "Transfer-Encoding: gzip\r\n" << QByteArray() << 400;
        QTest::newRow("chunked, gzip") << host + "Transfer-Encoding: chunked, gzip\r\n" << QByteArray() << 400;
        QTest::newRow("chunked and length")
            << host + "Content-Length: 5\r\n" + chunked << QByteArray("0\r\n\r\n") << 400;
        QTest::newRow("bad chunk size") << host + chunked << QByteArray("zz\r\nab\r\n0\r\n\r\n") << 400;
        QTest::newRow("no Host") << QByteArray("Content-Length: 0\r\n") << QByteArray() << 400;
        QTest::newRow("two Host fields") << host + "Host: other\r\nContent-Length: 0\r\n" << QByteArray() << 400;
        QTest::newRow("field without colon") << host + "Content-Length 0\r\n" << QByteArray() << 400;
        const QByteArray large(qsizetype{128} * 1024, 'x');
        QTest::newRow("declared length") << host + "Content-Length: 131072\r\n" << large << 413;
        QTest::newRow("chunked length") << host
                + chunked << QByteArray("8000\r\n" + QByteArray(32768, 'y') + "\r\n").repeated(3) + "0\r\n\r\n"
                                        << 413;
        QTest::newRow("too many header fields")
            << host + QByteArray("X-Field: v\r\n").repeated(120) << QByteArray() << 431;
        QTest::newRow("too many header bytes") << host + "X-Large: " + QByteArray(20000, 'h') + "\r\n"
                                               << QByteArray() << 431;
        const QByteArray megabyte(qsizetype{1} << 20, 'e');
        QTest::newRow("long chunk extension") << host + chunked << "1;" + megabyte + "\r\nx\r\n0\r\n\r\n" << 400;
        QTest::newRow("many extensions on one chunk line")
            << host + chunked << "1" + QByteArray(";e=v").repeated(5000) + "\r\nx\r\n0\r\n\r\n"
            << 400;
        QTest::newRow("extensions on many chunks")
            << host + chunked << QByteArray("1;e=v\r\nx\r\n").repeated(5000) + "0\r\n\r\n"
            << 400;
        QTest::newRow("long trailer field") << host + chunked << "1\r\nx\r\n0\r\nX-T: " + megabyte + "\r\n\r\n" << 431;
        QTest::newRow("many trailer fields")
            << host + chunked << "1\r\nx\r\n0\r\n" + QByteArray("X-T: v\r\n").repeated(120) + "\r\n"
            << 431;
    }

    void refusedRequestsLeaveNothingBehind()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        const auto listener = m_client.createListener("Refused");
        const auto reply = m_client.raw("POST " + RelayClient::hookPathOf(listener) + " HTTP/1.1\r\n" + head + "\r\n"
            + body + "DELETE /listeners/" + RelayClient::idOf(listener).toUtf8()
            + " HTTP/1.1\r\nHost: relay\r\nAuthorization: Bearer " + m_key + "\r\nContent-Length: 0\r\n\r\n");
        QCOMPARE(reply.status, status);
        QVERIFY(reply.json()["error"].is_string());
        QCOMPARE(m_client.send("GET", "/listeners/").json()["listeners"][0]["id"], listener["id"]);
        QCOMPARE(m_client.recent(listener).size(), 0u);
    }

    // Requests that will be refused are refused on their head, before their body is read.
    void refusalsComeBeforeTheBody_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("status");
        QTest::newRow("unknown path") << QByteArray("POST /nowhere HTTP/1.1\r\n") << 404;
        QTest::newRow("unknown hook") << QByteArray("POST /h/unknown HTTP/1.1\r\n") << 404;
        QTest::newRow("API without key") << QByteArray("POST /listeners/ HTTP/1.1\r\n") << 401;
        QTest::newRow("asking to continue") << QByteArray("POST /nowhere HTTP/1.1\r\nExpect: 100-continue\r\n") << 404;
    }

    void refusalsComeBeforeTheBody()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, status);
        const auto sockets = openMany(m_relay.port(), 1, head + "Host: relay\r\nContent-Length: 60000\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(*sockets.at(0)), status, waitMilliseconds);
    }

    // Beyond the bytes all connections may hold at once, a body is refused with 503 before it is read.
    void bufferedBytesAreCapped()
    {
        const auto hook = RelayClient::hookPathOf(m_client.createListener("Large"));
        const QByteArray head = "POST " + hook + " HTTP/1.1\r\nHost: relay\r\nContent-Length: 60000\r\n";
        const auto held = openMany(m_relay.port(), 2, head + "\r\n" + QByteArray(50000, 'x'));
        QCOMPARE(int(held.size()), 2);
        const auto probe = [&] {
            const auto sockets = openMany(m_relay.port(), 1, head + "Expect: 100-continue\r\n\r\n");
            return sockets.empty() || !sockets[0]->waitForReadyRead(waitMilliseconds) ? QByteArray()
                                                                                      : sockets[0]->readAll();
        };
        QTRY_VERIFY_WITH_TIMEOUT(probe().startsWith("HTTP/1.1 503"), waitMilliseconds);
        QVERIFY(probe().contains("Retry-After: "));
    }

    // Connections that never finish their head do not keep senders out, whether they come from
    // elsewhere or from the sender's own address.
    void slowHeadsDoNotStallSenders_data()
    {
        QTest::addColumn<QString>("attacker");
        QTest::newRow("another address") << "127.0.0.2";
        QTest::newRow("the sender's address") << "127.0.0.1";
    }

    void slowHeadsDoNotStallSenders()
    {
        QFETCH(QString, attacker);
        const auto hook = RelayClient::hookPathOf(m_client.createListener("Sender"));
        const auto attack = openMany(m_relay.port(), 1500, "P", QHostAddress(attacker));
        QCOMPARE(int(attack.size()), 1500);
        int accepted = 0;
        for (int index = 0; index < 50; ++index) {
            const auto reply = m_client.raw(
                "POST " + hook + " HTTP/1.1\r\nHost: relay\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}");
            accepted += reply.status == 202 ? 1 : 0;
        }
        QCOMPARE(accepted, 50);
    }

    void connectionsBeyondTheCapAreTurnedAway_data()
    {
        QTest::addColumn<QString>("cap");
        QTest::newRow("in all") << "--max-connections";
        QTest::newRow("per client") << "--max-connections-per-client";
    }

    // The caps on connections served at once, in all and from one client: one more is answered 503
    // and closed, and a slot a client gives up serves the next.
    void connectionsBeyondTheCapAreTurnedAway()
    {
        QFETCH(QString, cap);
        RelayProcess relay;
        QVERIFY(relay.start({cap, "2"}));
        const QByteArray health = "GET /healthz HTTP/1.1\r\nHost: relay\r\n";
        const auto held = openMany(relay.port(), 2, health + "\r\n");
        QCOMPARE(int(held.size()), 2);
        for (const auto& socket : held) {
            QTRY_COMPARE_WITH_TIMEOUT(statusOf(*socket), 200, waitMilliseconds);
        }
        RelayClient client(relay);
        const auto refused = client.raw(health + "Connection: close\r\n\r\n");
        QCOMPARE(refused.status, 503);
        QVERIFY(refused.json()["error"].is_string());
        QCOMPARE(refused.headers.value("retry-after"), QByteArray("1"));
        QCOMPARE(refused.headers.value("connection"), QByteArray("close"));
        held[0]->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(client.raw(health + "Connection: close\r\n\r\n").status, 200, waitMilliseconds);
        // The connection still held was never disturbed.
        held[1]->readAll();
        held[1]->write(health + "Connection: close\r\n\r\n");
        QVERIFY(held[1]->waitForDisconnected(waitMilliseconds));
        QVERIFY(held[1]->readAll().startsWith("HTTP/1.1 200"));
    }

    // With few open files, the relay raises its limit, serves what that allows and answers every
    // client beyond it with 503 instead of leaving it waiting.
    void everyClientIsAnsweredWithFewOpenFiles()
    {
        RelayProcess relay({"CORVANE_RELAY_MAX_CONNECTIONS_PER_CLIENT=0"});
        relay.setLimits({{RLIMIT_NOFILE, 64, 128}});
        QVERIFY(relay.start());
        const auto clients = openMany(relay.port(), 200, "GET /healthz HTTP/1.1\r\nHost: relay\r\n\r\n");
        QCOMPARE(int(clients.size()), 200);
        int served = 0;
        for (const auto& socket : clients) {
            QTRY_VERIFY_WITH_TIMEOUT(statusOf(*socket) == 200 || statusOf(*socket) == 503, waitMilliseconds);
            served += statusOf(*socket) == 200 ? 1 : 0;
        }
        QVERIFY(served > 64);
    }

private:
    RelayProcess m_relay{{"CORVANE_RELAY_MAX_BUFFERED_BYTES=131072"}};
    RelayClient m_client{m_relay};
    QByteArray m_key;
};

CORVANE_TEST(HostileClientTest)
#include "HostileClientTest.moc"
