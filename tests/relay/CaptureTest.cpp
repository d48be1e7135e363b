#include "support/JsonLiteral.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <functional>
#include <memory>

using namespace corvane;
using namespace corvane::test;
using Json = nlohmann::json;

namespace {

constexpr int readLimitMilliseconds = 15000;
// Between two pieces of a request, so that the relay is likely to read them apart.
constexpr int pauseMilliseconds = 30;

// Reads from `socket` until `done(received)` or the connection closes, for a bounded time.
QByteArray readUntil(QTcpSocket& socket, const std::function<bool(const QByteArray&)>& done)
{
    QByteArray received;
    const QDeadlineTimer deadline(readLimitMilliseconds);
    while (!deadline.hasExpired() && !done(received) && socket.state() == QAbstractSocket::ConnectedState) {
        socket.waitForReadyRead(int(deadline.remainingTime()));
        received += socket.readAll();
    }
    return received + socket.readAll();
}

// The status of every response in `received`, in order.
QList<int> statusesIn(const QByteArray& received)
{
    QList<int> statuses;
    static const QRegularExpression statusLine("HTTP/1\\.1 (\\d{3}) ");
    for (auto match = statusLine.globalMatch(QString::fromLatin1(received)); match.hasNext();) {
        statuses << match.next().captured(1).toInt();
    }
    return statuses;
}

} // namespace

// What a hook request leaves behind, byte by byte, and the limits that guard hook paths. Requests are
// written as raw bytes so the test controls header case, repetition and framing.
class CaptureTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_relay.start({"--max-body-bytes", "4096", "--max-headers", "30", "--max-header-bytes", "2048",
            "--rate-limit", "1", "--rate-burst", "3", "--header-timeout", "1", "--body-timeout", "1", "--idle-timeout",
            "1", "--max-json-depth", "16"}));
        m_client = std::make_unique<RelayClient>(m_relay);
        m_client->setKey(m_client->signIn());
    }

    void requestsAreCapturedFaithfully_data()
    {
        QTest::addColumn<QByteArray>("requestLine");
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("JSON body") << QByteArray("POST {hook}") << QByteArray("Content-Type: application/json\r\n")
                                   << QByteArray(R"({"action":"opened","n":1.5,"big":9223372036854775808})")
                                   << QByteArray(R"({"method":"POST","body":{"action":"opened","n":1.5,
                                          "big":9223372036854775808.0}})");
        QTest::newRow("form body") << QByteArray("POST {hook}")
                                   << QByteArray("Content-Type: application/x-www-form-urlencoded; charset=utf-8\r\n")
                                   << QByteArray("a=1&b=x+y%21&a=2&flag")
                                   << QByteArray(R"({"body":{"a":["1","2"],"b":"x y!","flag":""}})");
        QTest::newRow("text body") << QByteArray("PUT {hook}") << QByteArray("Content-Type: text/plain\r\n")
                                   << QByteArray("hello {{world}}") << QByteArray(R"({"method":"PUT"})");
        QTest::newRow("empty body") << QByteArray("GET {hook}") << QByteArray() << QByteArray()
                                    << QByteArray(R"({"method":"GET"})");
        QTest::newRow("invalid UTF-8") << QByteArray("POST {hook}") << QByteArray()
                                       << QByteArray("\xff\xfe\x00\x01 ok", 7)
                                       << QByteArray("{\"raw_body_base64\":\"//4AASBvaw==\"}");
        QTest::newRow("header case and repeats")
            << QByteArray("DELETE {hook}") << QByteArray("X-Custom-Header: A\r\nx-custom-header: B\r\nX-Empty:\r\n")
            << QByteArray() << QByteArray(R"({"method":"DELETE","headers":{"x-custom-header":"A, B","x-empty":""}})");
        QTest::newRow("query repeats") << QByteArray("POST {hook}?tag=a&tag=b&one=1&sp=%20x&tag=c") << QByteArray()
                                       << QByteArray()
                                       << QByteArray(R"({"query":{"tag":["a","b","c"],"one":"1","sp":" x"}})");
        QTest::newRow("JSON nested too deeply")
            << QByteArray("POST {hook}") << QByteArray()
            << QByteArray(R"({"a":)") + QByteArray(20, '[') + "1" + QByteArray(20, ']') + "}"
            << QByteArray(R"({"error":"refused"})");
    }

    void requestsAreCapturedFaithfully()
    {
        QFETCH(QByteArray, requestLine);
        QFETCH(QByteArray, headers);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, expected);
        const auto listener = m_client->createListener("Capture");
        const auto hookPath = QByteArray::fromStdString(listener["hook_path"].get<std::string>());
        const auto reply = m_client->raw(QByteArray(requestLine).replace("{hook}", hookPath)
            + " HTTP/1.1\r\nHost: relay\r\n" + headers + "Content-Length: " + QByteArray::number(body.size())
            + "\r\nConnection: close\r\n\r\n" + body);
        const auto wanted = test::json(expected.toStdString());
        if (wanted.contains("error")) {
            QCOMPARE(reply.status, 400);
            QVERIFY(reply.json()["error"].is_string());
            return;
        }
        QCOMPARE(reply.status, 202);
        const auto id = reply.json()["id"];
        const auto recent = m_client->send("GET",
            "/webhooks/listener/" + QString::fromStdString(listener["id"].get<std::string>()) + "/recent?limit=1");
        const auto payload = recent.json()["webhooks"][0];
        QCOMPARE(payload["id"], id);
        for (const auto& [member, value] : wanted.items()) {
            if (member == "headers") {
                for (const auto& [name, header] : value.items()) {
                    QCOMPARE(payload["headers"][name], header);
                }
            } else {
                QCOMPARE(payload[member], value);
            }
        }
        QCOMPARE(payload.contains("body"), wanted.contains("body"));
        QCOMPARE(payload.contains("query"), wanted.contains("query"));
        QCOMPARE(payload["headers"]["host"], "relay");
        QCOMPARE(payload.contains("raw_body_base64"), wanted.contains("raw_body_base64"));
        if (!wanted.contains("raw_body_base64")) {
            QCOMPARE(payload["raw_body"], body.toStdString());
        } else {
            QCOMPARE(
                QByteArray::fromBase64(QByteArray::fromStdString(payload["raw_body_base64"].get<std::string>())), body);
            QVERIFY(payload["raw_body"].get<std::string>().ends_with(" ok"));
        }
    }

    // Requests are read however their bytes arrive, and each gets its answer in order on its connection.
    void requestsArriveInAnyPieces_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QList<int>>("statuses");
        const QByteArray post = "POST {hook} HTTP/1.1\r\nHost: relay\r\nContent-Length: 7\r\n";
        QTest::newRow("two requests in one write")
            << QByteArrayList{post + "\r\n{\"a\":1}" + post + "Connection: close\r\n\r\n{\"b\":2}"}
            << QList<int>{202, 202};
        QTest::newRow("header and body in pieces") << QByteArrayList{"PO", "ST {hook} HT", "TP/1.1\r\nHo",
            "st: relay\r\nContent-Length: 7\r\n", "Connection: close\r\n\r", "\n{\"a\"", ":1}"}
                                                   << QList<int>{202};
        QTest::newRow("chunked body in pieces") << QByteArrayList{
            "POST {hook} HTTP/1.1\r\nHost: relay\r\nTransfer-Encoding: chunked\r\n"
            "Connection: close\r\n\r\n4\r\n{\"a",
            "\"\r\n3\r\n:1}\r", "\n0\r\n\r\n"} << QList<int>{202};
        QTest::newRow("second request after a pause")
            << QByteArrayList{post + "\r\n{\"a\":1}", post + "Connection: close\r\n\r\n{\"b\":2}"}
            << QList<int>{202, 202};
        QTest::newRow("HEAD answered without a body")
            << QByteArrayList{"HEAD {hook} HTTP/1.1\r\nHost: relay\r\nConnection: close\r\n\r\n"} << QList<int>{202};
    }

    void requestsArriveInAnyPieces()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QList<int>, statuses);
        const auto listener = m_client->createListener("Pieces");
        const auto hookPath = QByteArray::fromStdString(listener["hook_path"].get<std::string>());
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_relay.port());
        QVERIFY(socket.waitForConnected(readLimitMilliseconds));
        for (const auto& piece : pieces) {
            socket.write(QByteArray(piece).replace("{hook}", hookPath));
            QVERIFY(socket.waitForBytesWritten(readLimitMilliseconds));
            QTest::qWait(pauseMilliseconds);
        }
        const auto received = readUntil(socket, [](const QByteArray&) { return false; });
        QCOMPARE(statusesIn(received), statuses);
        if (QTest::currentDataTag() == QByteArray("HEAD answered without a body")) {
            QVERIFY(received.contains("Content-Length: "));
            QVERIFY(received.endsWith("\r\n\r\n"));
            return;
        }
        const auto recent = m_client->send(
            "GET", "/webhooks/listener/" + QString::fromStdString(listener["id"].get<std::string>()) + "/recent");
        QCOMPARE(recent.json()["webhooks"].size(), std::size_t(statuses.size()));
        QCOMPARE(recent.json()["webhooks"].back()["body"], Json({{"a", 1}}));
    }

    // A client that asks before sending its body is told to go on, and its body is stored.
    void expectContinueIsAnswered()
    {
        const auto listener = m_client->createListener("Careful");
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_relay.port());
        QVERIFY(socket.waitForConnected(readLimitMilliseconds));
        socket.write("POST " + QByteArray::fromStdString(listener["hook_path"].get<std::string>())
            + " HTTP/1.1\r\nHost: relay\r\nExpect: 100-continue\r\nContent-Length: 7\r\nConnection: close\r\n\r\n");
        const auto interim
            = readUntil(socket, [](const QByteArray& received) { return received.contains("\r\n\r\n"); });
        QCOMPARE(interim, QByteArray("HTTP/1.1 100 Continue\r\n\r\n"));
        socket.write(R"({"a":1})");
        const auto final = readUntil(socket, [](const QByteArray&) { return false; });
        QCOMPARE(statusesIn(final), QList<int>{202});
        const auto recent = m_client->send(
            "GET", "/webhooks/listener/" + QString::fromStdString(listener["id"].get<std::string>()) + "/recent");
        QCOMPARE(recent.json()["webhooks"][0]["body"], Json({{"a", 1}}));
    }

    void unknownHookIs404()
    {
        const auto reply = m_client->send("POST", "/h/no-such-token", "{}");
        QCOMPARE(reply.status, 404);
        QVERIFY(reply.json()["error"].is_string());
    }

    // The refusal arrives as a response even though the client is still sending its body.
    void oversizeBodiesAre413_data()
    {
        QTest::addColumn<QByteArray>("framing");
        QTest::addColumn<QByteArray>("body");
        const QByteArray large(64 * 1024, 'x');
        QTest::newRow("declared length") << QByteArray("Content-Length: " + QByteArray::number(large.size())) << large;
        QByteArray chunked;
        for (int index = 0; index < 16; ++index) {
            chunked += "1000\r\n" + QByteArray(4096, 'y') + "\r\n";
        }
        QTest::newRow("chunked") << QByteArray("Transfer-Encoding: chunked") << chunked + "0\r\n\r\n";
    }

    void oversizeBodiesAre413()
    {
        QFETCH(QByteArray, framing);
        QFETCH(QByteArray, body);
        const auto listener = m_client->createListener("Large");
        const auto hookPath = QByteArray::fromStdString(listener["hook_path"].get<std::string>());
        const auto reply
            = m_client->raw("POST " + hookPath + " HTTP/1.1\r\nHost: relay\r\n" + framing + "\r\n\r\n" + body);
        QCOMPARE(reply.status, 413);
        QVERIFY(reply.json()["error"].is_string());
        QCOMPARE(m_client
                     ->send("GET",
                         "/webhooks/listener/" + QString::fromStdString(listener["id"].get<std::string>()) + "/recent")
                     .json()["webhooks"]
                     .size(),
            0u);
    }

    void oversizeHeadersAre431_data()
    {
        QTest::addColumn<QByteArray>("headers");
        QByteArray many;
        for (int index = 0; index < 40; ++index) {
            many += "X-Field-" + QByteArray::number(index) + ": v\r\n";
        }
        QTest::newRow("too many fields") << many;
        QTest::newRow("too many bytes") << QByteArray("X-Large: " + QByteArray(4096, 'h') + "\r\n");
    }

    void oversizeHeadersAre431()
    {
        QFETCH(QByteArray, headers);
        const auto reply = m_client->raw("GET /healthz HTTP/1.1\r\nHost: relay\r\n" + headers + "\r\n");
        QCOMPARE(reply.status, 431);
        QVERIFY(reply.json()["error"].is_string());
    }

    void malformedRequestsAre400()
    {
        const auto reply = m_client->raw("GET /healthz HTTP/1.1\r\nHost relay\r\n\r\n");
        QCOMPARE(reply.status, 400);
        QVERIFY(reply.json()["error"].is_string());
    }

    // A listener gets its burst, then 429 with Retry-After; other listeners are not affected.
    void hooksAreRateLimitedPerListener()
    {
        const auto busy = m_client->createListener("Busy");
        const auto quiet = m_client->createListener("Quiet");
        QList<int> statuses;
        for (int index = 0; index < 5; ++index) {
            statuses << m_client->hook(busy).status;
        }
        QCOMPARE(statuses.first(), 202);
        QVERIFY(statuses.count(202) <= 4);
        QCOMPARE(statuses.last(), 429);
        const auto limited = m_client->hook(busy);
        QCOMPARE(limited.status, 429);
        QVERIFY(limited.headers.value("retry-after").toInt() >= 1);
        QVERIFY(limited.json()["error"].is_string());
        QCOMPARE(m_client->hook(quiet).status, 202);
    }

    // Clients that stall are disconnected: mid-headers, mid-body, and idle after a keep-alive answer.
    void slowClientsAreDisconnected_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<bool>("answered");
        QTest::newRow("headers unfinished") << QByteArray("POST /h/slow HTTP/1.1\r\nHost: re") << false;
        QTest::newRow("body unfinished") << QByteArray(
            "POST /h/slow HTTP/1.1\r\nHost: relay\r\nContent-Length: 10\r\n\r\nab")
                                         << false;
        QTest::newRow("idle keep-alive") << QByteArray("GET /healthz HTTP/1.1\r\nHost: relay\r\n\r\n") << true;
    }

    void slowClientsAreDisconnected()
    {
        QFETCH(QByteArray, sent);
        QFETCH(bool, answered);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_relay.port());
        QVERIFY(socket.waitForConnected(5000));
        socket.write(sent);
        QVERIFY(socket.waitForBytesWritten(5000));
        QVERIFY(socket.waitForDisconnected(15000));
        QCOMPARE(socket.readAll().startsWith("HTTP/1.1 200"), answered);
        QCOMPARE(m_client->send("GET", "/healthz").status, 200);
    }

private:
    RelayProcess m_relay;
    std::unique_ptr<RelayClient> m_client;
};

CORVANE_TEST(CaptureTest)
#include "CaptureTest.moc"
