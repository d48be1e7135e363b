#include "support/JsonLiteral.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <memory>

using namespace corvane;
using namespace corvane::test;
using Json = nlohmann::json;

namespace {

constexpr qint64 megabyte = 1024 * 1024;
constexpr int settleMilliseconds = 10000;
// AddressSanitizer's allocator keeps freed blocks in quarantine and ignores mallopt: there, resident
// memory tells nothing about what the relay gives back.
#ifdef __SANITIZE_ADDRESS__
constexpr bool residentMemoryTells = false;
#else
constexpr bool residentMemoryTells = true;
#endif

// A field of /proc/<pid>/status in bytes ("VmRSS", "VmHWM").
qint64 statusBytes(const RelayProcess& relay, const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(relay.processId()));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const auto& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ":")) {
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return -1;
}

// Lets VmHWM start again from the resident memory of now (proc(5), clear_refs).
bool resetPeak(const RelayProcess& relay)
{
    QFile clearRefs(QStringLiteral("/proc/%1/clear_refs").arg(relay.processId()));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

} // namespace

// What hostile bodies may cost: only a body that is one whole JSON value is read as JSON, form bodies
// are read as fields up to a bound, stored bodies are answered in bounded memory, and memory a burst
// took is given back.
class HostileBodyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_relay.start());
        m_client = std::make_unique<RelayClient>(m_relay);
        m_client->setKey(m_client->signIn());
        m_listener = m_client->createListener("Hostile");
    }

    void bodiesAreReadOnlyWhenWhole_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("parsed");
        const QByteArray json = "application/json";
        const QByteArray form = "application/x-www-form-urlencoded";
        QTest::newRow("NUL and more") << json << QByteArray("{\"a\":1}\0garbage", 15) << QByteArray();
        QTest::newRow("NUL at the end") << json << QByteArray("{\"a\":1}\0", 8) << QByteArray();
        QTest::newRow("surrounding whitespace") << json << QByteArray(" \r\n{\"a\":1}\t ") << QByteArray(R"({"a":1})");
        QTest::newRow("byte order mark") << json << QByteArray("\xEF\xBB\xBF{\"a\":1}") << QByteArray(R"({"a":1})");
        QTest::newRow("integer beyond 64 bits") << json << QByteArray(R"({"n":123456789012345678901234567890})")
                                                << QByteArray(R"({"n":1.2345678901234568e29})");
        QTest::newRow("form at the field bound")
            << form << QByteArray("a=1&b=2&a=3&c") << QByteArray(R"({"a":["1","3"],"b":"2","c":""})");
        QTest::newRow("form beyond it") << form << QByteArray("a=1&b=2&a=3&c&d=4") << QByteArray();
    }

    void bodiesAreReadOnlyWhenWhole()
    {
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, parsed);
        const auto hookPath = QString::fromStdString(m_listener["hook_path"].get<std::string>());
        const auto reply = m_client->send("POST", hookPath, body, {{"Content-Type", type}});
        QCOMPARE(reply.status, 202);
        const auto recent = m_client->send("GET",
            "/webhooks/listener/" + QString::fromStdString(m_listener["id"].get<std::string>()) + "/recent?limit=1");
        const auto payload = recent.json()["webhooks"][0];
        QCOMPARE(payload["id"], reply.json()["id"]);
        QCOMPARE(payload.value("body", Json()), parsed.isEmpty() ? Json() : test::json(parsed.toStdString()));
        QCOMPARE(payload["raw_body"], body.toStdString());
    }

    // Sign-in reads a few short fields: a larger body is refused unread, however it is framed.
    void signInBodiesAreSmall_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("chunked");
        QTest::addColumn<int>("status");
        const auto form = RelayClient::authorizeQuery(RelayClient::challengeOf(RelayClient::newVerifier())).toUtf8();
        const QByteArray padding = "&pad=" + QByteArray(16 * 1024, 'a');
        QTest::newRow("form") << QByteArray("/user_management/authorize") << form + padding << false << 413;
        QTest::newRow("chunked form") << QByteArray("/user_management/authorize") << form + padding << true << 413;
        const QByteArray exchange = "{\"code\":\"" + padding + "\"}";
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
        const auto reply = m_client->raw("POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
            + (chunked ? "Transfer-Encoding: chunked" : "Content-Length: " + QByteArray::number(body.size()))
            + "\r\n\r\n" + framed);
        QCOMPARE(reply.status, status);
    }

    // A large body is stored in parts and read back whole, byte for byte.
    void largeBodiesReadBackWhole()
    {
        QByteArray body(int(3 * megabyte + 5), '\0');
        for (qsizetype index = 0; index < body.size(); ++index) {
            body[index] = char(index * 7 % 251);
        }
        const auto stored = m_client->hook(m_listener, body);
        QCOMPARE(stored.status, 202);
        const auto recent = m_client->send("GET", "/webhooks/recent?limit=1");
        const auto payload = recent.json()["webhooks"][0];
        QCOMPARE(payload["id"], stored.json()["id"]);
        QCOMPARE(payload["raw_body_base64"], body.toBase64().toStdString());
    }

    // The WAL is checkpointed while large bodies keep being written and read, so its file stays far
    // smaller than what they add up to.
    void walStaysBoundedUnderLargeWrites()
    {
        constexpr int bodies = 24;
        const QByteArray body(int(2 * megabyte), 'w');
        for (int index = 0; index < bodies; ++index) {
            QCOMPARE(m_client->hook(m_listener, body).status, 202);
            QCOMPARE(m_client->send("GET", "/webhooks/recent?limit=1").status, 200);
        }
        const auto walBytes = QFileInfo(m_relay.databasePath() + "-wal").size();
        QVERIFY2(walBytes < bodies * body.size() / 2, qPrintable(QString::number(walBytes) + " bytes of WAL"));
    }

    // Stored bodies are answered for far less memory than parsing them takes, and the memory taken by
    // capturing and answering them is given back within seconds.
    void largeStoredBodiesAreAnsweredInBoundedMemory()
    {
        constexpr int stored = 3;
        RelayProcess relay;
        QVERIFY(relay.start());
        RelayClient client(relay);
        client.setKey(client.signIn());
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
        QCOMPARE(reply.status, 200);
        const auto webhooks = reply.json()["webhooks"];
        QCOMPARE(webhooks.size(), std::size_t(stored));
        for (const auto& webhook : webhooks) {
            QCOMPARE(webhook["body"].size(), std::size_t(body.size() / 3));
        }
        if (!residentMemoryTells) {
            QSKIP("resident memory is the sanitizer's");
        }
        QVERIFY2(peak - idle < 100 * megabyte, "the poll took 100 MB or more");
        QTRY_VERIFY_WITH_TIMEOUT(statusBytes(relay, "VmRSS") - idle < 20 * megabyte, settleMilliseconds);
    }

private:
    // Reads a form body as fields when it has 4 of them at most.
    RelayProcess m_relay{{"CORVANE_RELAY_MAX_FORM_FIELDS=4"}};
    std::unique_ptr<RelayClient> m_client;
    Json m_listener;
};

CORVANE_TEST(HostileBodyTest)
#include "HostileBodyTest.moc"
