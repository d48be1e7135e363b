#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace corvane::test;
using Json = nlohmann::json;

namespace {

constexpr int exampleTimeoutMilliseconds = 20000;

// Each example runs with curl answering like `curl --include`, so that its output is one response.
const QString curlWrapper
    = QStringLiteral("curl() { command curl --silent --show-error --include --noproxy '*' --max-time 10 \"$@\"; }\n");

// Every member `documented` shows is in `actual`, and so for the first element of each array it shows.
void verifyMembers(const Json& documented, const Json& actual)
{
    QVERIFY2(actual.is_object(), actual.dump().c_str());
    for (const auto& [name, value] : documented.items()) {
        QVERIFY2(actual.contains(name), ("no member " + name + " in " + actual.dump()).c_str());
        if (value.is_array() && !value.empty() && value[0].is_object()) {
            const auto& elements = actual[name];
            QVERIFY2(elements.is_array() && !elements.empty(), ("no elements in " + name).c_str());
            verifyMembers(value[0], elements[0]);
        }
    }
}

} // namespace

// The examples of the API reference (docs/api.md), run with bash and curl against a real relay: each
// `sh` block followed by an `http` block must be answered with the status, the header fields and the
// JSON members that block shows, and with the error it shows word for word. Each example runs for a
// fresh account that has one listener with one captured request, and with a fresh sign-in code.
class ApiReferenceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CORVANE_SKIP_WITHOUT_RELAY_STORE();
        QVERIFY(m_relay.start());
    }

    void exampleIsAnsweredAsShown_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("answer");
        QFile reference(QStringLiteral(CORVANE_API_REFERENCE));
        QVERIFY(reference.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString text = QString::fromUtf8(reference.readAll());
        static const QRegularExpression example(
            QStringLiteral("```sh\\n((?:(?!```).)*)```\\n+```http\\n((?:(?!```).)*)```"),
            QRegularExpression::DotMatchesEverythingOption);
        int examples = 0;
        for (const auto& match : example.globalMatch(text)) {
            const auto line = text.left(match.capturedStart()).count('\n') + 1;
            QTest::addRow("line %lld", qlonglong(line))
                << match.captured(1) << (match.captured(2) + '\n').toUtf8().replace("\n", "\r\n");
            ++examples;
        }
        QVERIFY(examples > 0);
    }

    void exampleIsAnsweredAsShown()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, answer);
        RelayClient client(m_relay);
        const auto email = QStringLiteral("reader%1@example.org").arg(++m_readers);
        const auto key = client.signInAndUse(email);
        QVERIFY(!key.isEmpty());
        const auto listener
            = client.send("POST", "/listeners/", R"({"name":"Deploys","description":"Production deploys"})").json();
        const auto captured = client.hook(listener, R"({"ref":"main","status":"success"})", "source=ci").json();
        QVERIFY2(captured.contains("id"), captured.dump().c_str());
        const auto verifier = RelayClient::newVerifier();
        const auto code = RelayClient::codeOf(client.authorize(RelayClient::challengeOf(verifier), email));

        auto environment = QProcessEnvironment::systemEnvironment();
        const auto relay = m_relay.url({}).toString();
        environment.insert("RELAY", relay);
        environment.insert("KEY", QString::fromLatin1(key));
        environment.insert("LISTENER", RelayClient::idOf(listener));
        environment.insert("HOOK", relay + QString::fromUtf8(RelayClient::hookPathOf(listener)));
        environment.insert("PAYLOAD", RelayClient::idOf(captured));
        environment.insert("CODE", QString::fromLatin1(code));
        environment.insert("VERIFIER", QString::fromLatin1(verifier));
        QProcess bash;
        bash.setProcessEnvironment(environment);
        bash.start("bash", {"-euo", "pipefail", "-c", curlWrapper + command});
        QVERIFY(bash.waitForFinished(exampleTimeoutMilliseconds));
        QVERIFY2(bash.exitCode() == 0, bash.readAllStandardError().constData());

        const auto actual = HttpReply::parse(bash.readAllStandardOutput());
        const auto shown = HttpReply::parse(answer);
        const auto got = "answered " + QByteArray::number(actual.status) + " " + actual.body;
        QVERIFY2(actual.status == shown.status, got.constData());
        for (auto field = shown.headers.cbegin(); field != shown.headers.cend(); ++field) {
            QVERIFY2(actual.headers.contains(field.key()), field.key().constData());
            if (!field.value().contains("…")) {
                QCOMPARE(actual.headers.value(field.key()), field.value());
            }
        }
        if (shown.body.trimmed().startsWith('{')) {
            QVERIFY2(!shown.json().is_null(), "the answer shown is not JSON");
            verifyMembers(shown.json(), actual.json());
            if (shown.json().contains("error")) {
                QCOMPARE(QString::fromStdString(actual.json().value("error", std::string())),
                    QString::fromStdString(shown.json().value("error", std::string())));
            }
        }
    }

private:
    RelayProcess m_relay;
    int m_readers = 0;
};

CORVANE_TEST(ApiReferenceTest)
#include "ApiReferenceTest.moc"
