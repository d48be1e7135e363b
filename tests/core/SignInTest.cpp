#include "auth/AuthCoordinator.h"
#include "core/AppState.h"
#include "platform/SecretServiceStore.h"
#include "service/AppSettings.h"
#include "support/HeadlessSession.h"
#include "support/JsonLiteral.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"

#include <QDBusConnectionInterface>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <qcoro/qcorotask.h>

#include <csignal>
#include <memory>

Q_DECLARE_METATYPE(corvane::WebAuthenticationOutcome)

namespace corvane {

using namespace std::chrono_literals;
using test::ScriptedHttpServer;

namespace {

const QByteArray exchanged
    = R"({"api_key": "key-2", "account": {"id": "acc_1", "email": "dev@example.com", "tier": "self-hosted"}})";

// A secret store that accepts every write and reads back something else.
class ForgetfulSecretStore : public SecretStore {
public:
    QCoro::Task<std::optional<QString>> read() override { co_return QStringLiteral("another key"); }
    QCoro::Task<int> write(QString /*token*/) override { co_return 0; }
};

} // namespace

// AppState::signIn and signOut over a browser session that the test ends, a scripted relay and the
// session's settings.
class SignInTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        m_fixture = std::make_unique<test::SessionFixture>();
        m_relay = &m_fixture->relay();
        m_session = &m_fixture->session();
        m_secrets = &m_fixture->secrets();
        m_relay->script("/auth/callback", ScriptedHttpServer::response(200, exchanged));
        m_fixture->script({}, {R"({"id": "p1", "method": "POST", "received_at": "r"})"}, {});
        QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(*m_secrets, "key-1")));
    }

    void cleanup()
    {
        m_fixture.reset();
        QCOMPARE(AppState::runningLoops(), 0);
    }

    // The exchange carries the code and the verifier whose challenge the page was given, and not the
    // key stored before.
    void successStoresTheSessionAndStartsPolling()
    {
        start(*m_secrets, false);
        m_state->signIn();
        QVERIFY(m_state->signingIn());
        QCOMPARE(m_session->urls().size(), 1);
        QCOMPARE(m_session->schemes(), QStringList{"corvane"});
        m_session->finish({QUrl("corvane://auth/callback?state=x&code=abc&code=second"), {}});
        QTRY_VERIFY(!m_state->signingIn());

        QVERIFY(m_state->signedIn());
        QCOMPARE(AppSettings::accountEmail(), std::optional<QString>("dev@example.com"));
        QCOMPARE(QCoro::waitFor(AppSettings::keychainRead(*m_secrets)), std::optional<QString>("key-2"));

        const auto& exchange = m_relay->requests().front();
        QCOMPARE(exchange.target, "/auth/callback");
        QVERIFY(!exchange.headers.contains("authorization"));
        const auto body = nlohmann::json::parse(exchange.body.toStdString());
        QCOMPARE(body["code"], "abc");
        const auto verifier = QString::fromStdString(body["code_verifier"].get<std::string>());
        QCOMPARE(verifier.size(), 86);
        const QUrlQuery page(m_session->urls().front());
        QCOMPARE(page.queryItemValue("code_challenge"), AuthCoordinator::s256(verifier));
    }

    void failureKeepsTheSession_data()
    {
        QTest::addColumn<WebAuthenticationOutcome>("outcome");
        QTest::addColumn<QByteArray>("exchangeAnswer");
        QTest::addColumn<QString>("lastError");

        const WebAuthenticationOutcome callback{QUrl("corvane://auth/callback?code=abc"), {}};
        const auto earlier = QStringLiteral("Sign-in did not return an authorization code.");
        const auto ok = ScriptedHttpServer::response(200, exchanged);
        QTest::newRow("neither URL nor error: cancelled, earlier error kept")
            << WebAuthenticationOutcome{} << ok << earlier;
        QTest::newRow("the session's own error")
            << WebAuthenticationOutcome{{}, "The page could not be loaded."} << ok << "The page could not be loaded.";
        QTest::newRow("code refused") << callback
                                      << ScriptedHttpServer::response(400, R"({"error":"code already used"})")
                                      << R"(HTTP 400: {"error":"code already used"})";
        QTest::newRow("answer without a key")
            << callback << ScriptedHttpServer::response(200, R"({"account": {"id": "a", "email": "e", "tier": "t"}})")
            << "api_key: required key is missing";
    }
    void failureKeepsTheSession()
    {
        QFETCH(WebAuthenticationOutcome, outcome);
        QFETCH(QByteArray, exchangeAnswer);
        QFETCH(QString, lastError);
        m_relay->script("/auth/callback", exchangeAnswer);
        start(*m_secrets, false);
        signInWith({QUrl("corvane://auth/callback?error=denied"), {}});
        QCOMPARE(m_state->lastError(), std::optional<QString>("Sign-in did not return an authorization code."));

        signInWith(outcome);
        QCOMPARE(m_state->lastError(), std::optional(lastError));
        QVERIFY(!m_state->signedIn());
        QCOMPARE(m_state->accountEmail(), std::nullopt);
        QCOMPARE(AppSettings::accountEmail(), std::nullopt);
        QCOMPARE(QCoro::waitFor(AppSettings::keychainRead(*m_secrets)), std::optional<QString>("key-1"));
    }

    // A key that does not read back is reported, and the e-mail is not stored.
    void keyThatDoesNotReadBack()
    {
        ForgetfulSecretStore forgetful;
        start(forgetful, false);
        signInWith({QUrl("corvane://auth/callback?code=abc"), {}});
        QCOMPARE(
            m_state->lastError(), std::optional<QString>("Signed in, but couldn't save credentials to the keychain."));
        QVERIFY(!m_state->signedIn());
        QCOMPARE(AppSettings::accountEmail(), std::nullopt);
    }

    // Sign-out waits for the keyring: one that does not answer (stopped here) leaves the state signed
    // in, and says so. Once it answers, sign-out stops polling, forgets the session and empties the
    // lists, pause stays; quitting right after it leaves the next start signed out.
    void signOutWaitsForTheKeyring()
    {
        const auto keyring = QDBusConnection::sessionBus().interface()->servicePid("org.freedesktop.secrets").value();
        SecretServiceStore secrets(1s, m_folder.filePath("fallback"));
        QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(secrets, "key-1")));
        AppSettings::setAccountEmail("dev@example.com");
        start(secrets, true);
        QTRY_COMPARE(m_state->activity().size(), 1U);
        m_state->setPaused(true);
        QCOMPARE(::kill(static_cast<pid_t>(keyring), SIGSTOP), 0);
        m_state->signOut();
        QCoro::waitFor(m_state->finishSigningOut(5s));
        ::kill(static_cast<pid_t>(keyring), SIGCONT);
        QVERIFY(m_state->signedIn());
        QVERIFY(m_state->lastError().value_or("").contains("keychain"));

        m_state->signOut();
        QVERIFY(!m_state->isPolling());
        QCoro::waitFor(m_state->finishSigningOut(5s));
        QVERIFY(!m_state->signedIn() && m_state->paused());
        QCOMPARE(m_state->accountEmail(), std::nullopt);
        QVERIFY(m_state->listeners().empty() && m_state->activity().empty());
        QTRY_COMPARE(AppState::runningLoops(), 0);
        m_fixture->stop();
        SecretServiceStore restarted(10s, m_folder.filePath("fallback"));
        QCOMPARE(QCoro::waitFor(restarted.read()), std::optional<QString>(""));
    }

private:
    void start(SecretStore& secrets, bool signedIn)
    {
        m_fixture->start(signedIn, &secrets);
        m_state = &m_fixture->state();
    }

    void signInWith(const WebAuthenticationOutcome& outcome)
    {
        m_state->signIn();
        QVERIFY(m_state->signingIn());
        m_session->finish(outcome);
        QTRY_VERIFY(!m_state->signingIn());
    }

    QTemporaryDir m_folder;
    std::unique_ptr<test::SessionFixture> m_fixture;
    ScriptedHttpServer* m_relay = nullptr;
    test::FakeWebAuthenticationSession* m_session = nullptr;
    FileSecretStore* m_secrets = nullptr;
    AppState* m_state = nullptr;
};

CORVANE_TEST(SignInTest)

} // namespace corvane

#include "SignInTest.moc"
