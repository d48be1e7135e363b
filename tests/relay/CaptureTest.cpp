#include "support/JsonLiteral.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <vector>

using namespace corvane;
using namespace corvane::test;
using Json = nlohmann::json;

namespace {

constexpr int waitMilliseconds = 15000;
// Between two pieces of a request, so that the relay is likely to read them apart.
constexpr int pauseMilliseconds = 30;
constexpr qint64 megabyte = qint64{1024} * 1024;
// AddressSanitizer's allocator keeps freed blocks in quarantine and ignores mallopt: there, resident
// memory tells nothing about what the relay gives back.
#ifdef __SANITIZE_ADDRESS__
constexpr bool residentMemoryTells = false;
#else
constexpr bool residentMemoryTells = true;
#endif

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

// A field of /proc/<pid>/status in bytes ("VmRSS", "VmHWM"); -1 when there is none.
qint64 statusBytes(const RelayProcess& relay, const QString& field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(relay.processId()));
    const QRegularExpression line("^" + field + ":\\s+(\\d+) kB$", QRegularExpression::MultilineOption);
    const auto match = status.open(QIODevice::ReadOnly) ? line.match(QString::fromLatin1(status.readAll()))
                                                        : QRegularExpressionMatch();
    return match.hasMatch() ? match.captured(1).toLongLong() * 1024 : -1;
}

// Lets VmHWM start again from the resident memory of now (proc(5), clear_refs).
bool resetPeak(const RelayProcess& relay)
{
    QFile clearRefs(QStringLiteral("/proc/%1/clear_refs").arg(relay.processId()));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

} // namespace

// What a hook request leaves behind, byte by byte, the limits that guard hook paths, and what hostile
// bodies may cost. Requests are written as raw bytes so the test controls header case, repetition and
// framing.
class CaptureTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CORVANE_SKIP_WITHOUT_RELAY_STORE();
        QVERIFY(m_relay.start({"--max-body-bytes", "4096", "--max-headers", "30", "--max-header-bytes", "2048",
            "--rate-limit", "1", "--rate-burst", "3", "--header-timeout", "1", "--body-timeout", "1", "--idle-timeout",
            "1", "--max-json-depth", "16", "--max-form-fields", "4"}));
        QVERIFY(!m_client.signInAndUse().isEmpty());
        QVERIFY(m_roomy.start());
    }

    // Only a body that is one whole JSON value is read as JSON, a form body only up to its field bound.
    void requestsAreCapturedFaithfully_data()
    {
        QTest::addColumn<QByteArray>("requestLine");
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray json = "Content-Type: application/json\r\n";
        const QByteArray form = "Content-Type: application/x-www-form-urlencoded; charset=utf-8\r\n";
        const QByteArray post = "POST {hook}";
        QTest::newRow("JSON body") << post << json
                                   << QByteArray(R"({"action":"opened","n":1.5,"big":9223372036854775808})")
                                   << QByteArray(R"({"method":"POST","body":{"action":"opened","n":1.5,
                                          "big":9223372036854775808.0}})");
        QTest::newRow("integer beyond 64 bits") << post << json << QByteArray(R"({"n":123456789012345678901234567890})")
                                                << QByteArray(R"({"body":{"n":1.2345678901234568e29}})");
        QTest::newRow("surrounding whitespace")
            << post << json << QByteArray(" \r\n{\"a\":1}\t ") << QByteArray(R"({"body":{"a":1}})");
        QTest::newRow("byte order mark") << post << json << QByteArray("\xEF\xBB\xBF{\"a\":1}")
                                         << QByteArray(R"({"body":{"a":1}})");
        QTest::newRow("NUL and more") << post << json << QByteArray("{\"a\":1}\0garbage", 15) << QByteArray("{}");
        QTest::newRow("NUL at the end") << post << json << QByteArray("{\"a\":1}\0", 8) << QByteArray("{}");
        QTest::newRow("form at the field bound") << post << form << QByteArray("a=1&b=x+y%21&a=2&flag")
                                                 << QByteArray(R"({"body":{"a":["1","2"],"b":"x y!","flag":""}})");
        QTest::newRow("form beyond it") << post << form << QByteArray("a=1&b=2&a=3&c&d=4") << QByteArray("{}");
        QTest::newRow("text body") << QByteArray("PUT {hook}") << QByteArray("Content-Type: text/plain\r\n")
                                   << QByteArray("hello {{world}}") << QByteArray(R"({"method":"PUT"})");
        QTest::newRow("empty body") << QByteArray("GET {hook}") << QByteArray() << QByteArray()
                                    << QByteArray(R"({"method":"GET"})");
        QTest::newRow("invalid UTF-8") << post << QByteArray() << QByteArray("\xff\xfe\x00\x01 ok", 7)
                                       << QByteArray(R"({"raw_body_base64":"\/\/4AASBvaw=="})");
        QTest::newRow("header case and repeats")
            << QByteArray("DELETE {hook}") << QByteArray("X-Custom-Header: A\r\nx-custom-header: B\r\nX-Empty:\r\n")
            << QByteArray() << QByteArray(R"({"method":"DELETE","headers":{"x-custom-header":"A, B","x-empty":""}})");
        QTest::newRow("query repeats") << QByteArray("POST {hook}?tag=a&tag=b&one=1&sp=%20x&tag=c") << QByteArray()
                                       << QByteArray()
                                       << QByteArray(R"({"query":{"tag":["a","b","c"],"one":"1","sp":" x"}})");
        QTest::newRow("JSON nested too deeply")
            << post << QByteArray() << QByteArray(R"({"a":)") + QByteArray(20, '[') + "1" + QByteArray(20, ']') + "}"
            << QByteArray(R"({"error":"refused"})");
    }

    void requestsAreCapturedFaithfully()
    {
        QFETCH(QByteArray, requestLine);
        QFETCH(QByteArray, headers);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, expected);
        const auto listener = m_client.createListener("Capture");
        const auto reply = m_client.raw(requestLine.replace("{hook}", RelayClient::hookPathOf(listener))
            + " HTTP/1.1\r\nHost: relay\r\n" + headers + "Content-Length: " + QByteArray::number(body.size())
            + "\r\nConnection: close\r\n\r\n" + body);
        const auto wanted = test::json(expected.toStdString());
        if (wanted.contains("error")) {
            QCOMPARE(reply.status, 400);
            QVERIFY(reply.json()["error"].is_string());
            return;
        }
        QCOMPARE(reply.status, 202);
        const auto payload = m_client.recent(listener, 1)[0];
        QCOMPARE(payload["id"], reply.json()["id"]);
        for (const auto& [member, value] : wanted.items()) {
            if (member == "headers") {
                for (const auto& [name, header] : value.items()) {
                    QCOMPARE(payload["headers"][name], header);
                }
            } else {
                QCOMPARE(payload[member], value);
            }
        }
        for (const char* member : {"body", "query", "raw_body_base64"}) {
            QCOMPARE(payload.contains(member), wanted.contains(member));
        }
        QCOMPARE(payload["headers"]["host"], "relay");
        if (wanted.contains("raw_body_base64")) {
            QVERIFY(payload["raw_body"].get<std::string>().ends_with(" ok"));
        } else {
            QCOMPARE(payload["raw_body"], body.toStdString());
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
        QTest::newRow("body after 100 Continue")
            << QByteArrayList{post + "Expect: 100-continue\r\nConnection: close\r\n\r\n", "{\"a\":1}"}
            << QList<int>{100, 202};
        QTest::newRow("HEAD answered without a body")
            << QByteArrayList{"HEAD {hook} HTTP/1.1\r\nHost: relay\r\nConnection: close\r\n\r\n"} << QList<int>{202};
    }

    void requestsArriveInAnyPieces()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QList<int>, statuses);
        const auto listener = m_client.createListener("Pieces");
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_relay.port());
        QVERIFY(socket.waitForConnected(waitMilliseconds));
        QByteArray received;
        for (const auto& piece : pieces) {
            socket.write(QByteArray(piece).replace("{hook}", RelayClient::hookPathOf(listener)));
            QVERIFY(socket.waitForBytesWritten(waitMilliseconds));
            QTest::qWait(pauseMilliseconds);
            received += socket.readAll();
        }
        const QDeadlineTimer deadline(waitMilliseconds);
        while (!deadline.hasExpired() && socket.state() == QAbstractSocket::ConnectedState) {
            socket.waitForReadyRead(int(deadline.remainingTime()));
            received += socket.readAll();
        }
        QCOMPARE(statusesIn(received), statuses);
        if (QTest::currentDataTag() == QByteArray("HEAD answered without a body")) {
            QVERIFY(received.contains("Content-Length: "));
            QVERIFY(received.endsWith("\r\n\r\n"));
            return;
        }
        const auto recent = m_client.recent(listener);
        QCOMPARE(recent.size(), std::size_t(statuses.count(202)));
        QCOMPARE(recent.back()["body"], Json({{"a", 1}}));
    }

    // A listener gets its burst, then 429 with Retry-After; other listeners are not affected.
    void hooksAreRateLimitedPerListener()
    {
        const auto busy = m_client.createListener("Busy");
        const auto quiet = m_client.createListener("Quiet");
        QList<int> statuses;
        for (int index = 0; index < 5; ++index) {
            statuses << m_client.hook(busy).status;
        }
        QCOMPARE(statuses.first(), 202);
        QVERIFY(statuses.count(202) <= 4);
        QCOMPARE(statuses.last(), 429);
        const auto limited = m_client.hook(busy);
        QCOMPARE(limited.status, 429);
        QVERIFY(limited.headers.value("retry-after").toInt() >= 1);
        QVERIFY(limited.json()["error"].is_string());
        QCOMPARE(m_client.hook(quiet).status, 202);
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
        QVERIFY(socket.waitForConnected(waitMilliseconds));
        socket.write(sent);
        QVERIFY(socket.waitForBytesWritten(waitMilliseconds));
        QVERIFY(socket.waitForDisconnected(waitMilliseconds));
        QCOMPARE(socket.readAll().startsWith("HTTP/1.1 200"), answered);
        QCOMPARE(m_client.send("GET", "/healthz").status, 200);
    }

    // Sign-in reads a few short fields: a larger body is refused unread, however it is framed.
    void signInBodiesAreSmall_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("chunked");
        QTest::addColumn<int>("status");
        const auto form = RelayClient::authorizeQuery(RelayClient::challengeOf(RelayClient::newVerifier())).toUtf8();
        const QByteArray padding = "&pad=" + QByteArray(qsizetype{16} * 1024, 'a');
        QTest::newRow("form") << QByteArray("/user_management/authorize") << form + padding << false << 413;
        QTest::newRow("chunked form") << QByteArray("/user_management/authorize") << form + padding << true << 413;
        const auto exchange = QByteArray::fromStdString(Json{{"code", padding.toStdString()}}.dump());
        QTest::newRow("chunked exchange") << QByteArray("/auth/callback") << exchange << true << 413;
        QTest::newRow("33 fields") << QByteArray("/user_management/authorize") << form + QByteArray("&a").repeated(27)
                                   << false << 400;
    }

    void signInBodiesAreSmall()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, body);
        QFETCH(bool, chunked);
        QFETCH(int, status);
        const QByteArray framed
            = chunked ? QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n0\r\n\r\n" : body;
        const auto reply
            = RelayClient(m_roomy).raw("POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                + (chunked ? "Transfer-Encoding: chunked" : "Content-Length: " + QByteArray::number(body.size()))
                + "\r\n\r\n" + framed);
        QCOMPARE(reply.status, status);
    }

    // Large bodies are stored in parts and read back whole, byte for byte, and the WAL is checkpointed
    // while they keep being written and read, so its file stays far smaller than what they add up to.
    void largeBodiesReadBackWholeWithABoundedWal()
    {
        constexpr int bodies = 24;
        RelayClient client(m_roomy);
        client.signInAndUse();
        const auto listener = client.createListener("Large");
        QByteArray body(int(3 * megabyte + 5), '\0');
        for (qsizetype index = 0; index < body.size(); ++index) {
            body[index] = char(index * 7 % 251);
        }
        const auto stored = client.hook(listener, body);
        QCOMPARE(stored.status, 202);
        const auto payload = client.send("GET", "/webhooks/" + RelayClient::idOf(stored.json())).json();
        QCOMPARE(payload["raw_body_base64"], body.toBase64().toStdString());

        body.fill('w', int(2 * megabyte));
        for (int index = 0; index < bodies; ++index) {
            QCOMPARE(client.hook(listener, body).status, 202);
            QCOMPARE(client.send("GET", "/webhooks/recent?limit=1").status, 200);
        }
        if (RelayProcess::usesPostgres()) {
            QSKIP("the write-ahead log measured here is the SQLite file's");
        }
        const auto walBytes = QFileInfo(m_roomy.databasePath() + "-wal").size();
        QVERIFY2(walBytes < bodies * body.size() / 2, qPrintable(QString::number(walBytes) + " bytes of WAL"));
    }

    // Requests in flight together, more than one statement of the store writes, are each stored under
    // their own id with their own query and body, and each counted once.
    void requestsInFlightTogetherAreEachStoredWhole()
    {
        constexpr int requests = 100;
        RelayProcess relay({"CORVANE_RELAY_RATE_LIMIT=0", "CORVANE_RELAY_MAX_CONNECTIONS_PER_CLIENT=0"});
        QVERIFY(relay.start());
        RelayClient client(relay);
        client.signInAndUse();
        const auto listener = client.createListener("Together");
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (int index = 0; index < requests; ++index) {
            auto& socket = *sockets.emplace_back(std::make_unique<QTcpSocket>());
            socket.connectToHost(QHostAddress::LocalHost, relay.port());
            QVERIFY(socket.waitForConnected(waitMilliseconds));
        }
        // Written only once every connection is open, so that they arrive together.
        for (int index = 0; index < requests; ++index) {
            const auto body = R"({"n":)" + QByteArray::number(index) + "}";
            auto& socket = *sockets[std::size_t(index)];
            socket.write("POST " + RelayClient::hookPathOf(listener) + "?n=" + QByteArray::number(index)
                + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\nConnection: close\r\n"
                  "Content-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket.flush();
        }
        QMap<QString, std::string> sent;
        for (int index = 0; index < requests; ++index) {
            auto& socket = *sockets[std::size_t(index)];
            QVERIFY(
                socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(waitMilliseconds));
            const auto reply = HttpReply::parse(socket.readAll());
            QCOMPARE(reply.status, 202);
            sent[RelayClient::idOf(reply.json())] = std::to_string(index);
        }
        const auto stored = client.recent(listener, requests);
        QCOMPARE(stored.size(), std::size_t(requests));
        for (const auto& payload : stored) {
            const auto index = sent.value(RelayClient::idOf(payload));
            QCOMPARE(payload["query"]["n"], index);
            QCOMPARE(payload["body"]["n"].dump(), index);
        }
        QCOMPARE(client.send("GET", "/listeners/").json()["listeners"][0]["total_received"], requests);
    }

    // A history list holds every payload, a large body cut after a whole character within its first
    // 64 KiB; the payload's own route gives it whole, to its account only.
    void largeBodiesAreCutInListsOnly()
    {
        RelayClient client(m_roomy);
        client.signInAndUse("cut@example.org");
        const auto listener = client.createListener("Cut");
        // Two-byte characters put byte 65,536 inside one.
        QByteArray body = "{\"text\":\"";
        while (body.size() + 4 <= 10 * megabyte) {
            body += "\xc3\xa9";
        }
        body += QByteArray(10 * megabyte - 2 - body.size(), 'x') + "\"}";
        QString largeId;
        for (int index = 0; index < 100; ++index) {
            const auto stored = client.hook(listener, index == 50 ? body : "{}");
            QCOMPARE(stored.status, 202);
            largeId = index == 50 ? RelayClient::idOf(stored.json()) : largeId;
        }
        const auto listed = client.recent(listener);
        QCOMPARE(listed.size(), 100u);
        const auto& cut = listed[49];
        QCOMPARE(RelayClient::idOf(cut), largeId);
        QCOMPARE(cut["body_truncated"], true);
        QCOMPARE(cut["body_size"], body.size());
        QVERIFY(!cut.contains("body") && !cut.contains("raw_body_base64"));
        const auto prefix = cut["raw_body"].get<std::string>();
        QVERIFY(prefix.size() > 65000 && prefix.size() <= 65536);
        QVERIFY(body.startsWith(QByteArray::fromStdString(prefix)));
        QVERIFY(!listed[48].contains("body_truncated") && listed[48].contains("body"));

        const auto whole = client.send("GET", "/webhooks/" + largeId).json();
        QCOMPARE(whole["raw_body"].get<std::string>().size(), std::size_t(body.size()));
        QVERIFY(whole["body"]["text"].is_string() && !whole.contains("body_truncated"));
        RelayClient stranger(m_roomy);
        stranger.signInAndUse("stranger@example.org");
        QCOMPARE(stranger.send("GET", "/webhooks/" + largeId).status, 404);
    }

    // Stored bodies are answered for far less memory than parsing them takes, and the memory taken by
    // capturing and answering them is given back within seconds.
    void largeStoredBodiesAreAnsweredInBoundedMemory()
    {
        constexpr int stored = 3;
        RelayProcess relay;
        QVERIFY(relay.start());
        RelayClient client(relay);
        client.signInAndUse();
        const auto listener = client.createListener("Large");
        const qint64 idle = statusBytes(relay, "VmRSS");
        QByteArray body = "[{}";
        while (body.size() + 4 <= megabyte) {
            body += ",{}";
        }
        body += ']';
        for (int index = 0; index < stored; ++index) {
            QCOMPARE(client.hook(listener, body).status, 202);
        }
        QVERIFY(resetPeak(relay));
        const auto reply = client.send("GET", "/webhooks/poll?limit=25");
        const qint64 peak = statusBytes(relay, "VmHWM");
        const auto webhooks = reply.json()["webhooks"];
        QCOMPARE(webhooks.size(), std::size_t(stored));
        for (const auto& webhook : webhooks) {
            QCOMPARE(webhook["body"].size(), std::size_t(body.size() / 3));
        }
        if (!residentMemoryTells) {
            QSKIP("resident memory is the sanitizer's");
        }
        QVERIFY2(peak - idle < 100 * megabyte, "the poll took 100 MB or more");
        QTRY_VERIFY_WITH_TIMEOUT(statusBytes(relay, "VmRSS") - idle < 20 * megabyte, 10000);
    }

private:
    RelayProcess m_relay;
    RelayClient m_client{m_relay};
    // With the default limits, for large bodies.
    RelayProcess m_roomy;
};

CORVANE_TEST(CaptureTest)
#include "CaptureTest.moc"
