#include "model/Account.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QTemporaryFile>
#include <QTest>
#include <QUrlQuery>

#include <memory>

using namespace corvane;
using namespace corvane::test;

// The relay's own sign-in: the authorize page, the code redirect and the PKCE exchange (RFC 7636).
class SignInTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_relay.start());
        m_client = std::make_unique<RelayClient>(m_relay);
    }

    void authorizeChecksItsQuery_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("status");
        QTest::newRow("as the app sends it") << QString() << QString() << 200;
        QTest::newRow("implicit flow") << "response_type" << "token" << 400;
        QTest::newRow("plain challenge method") << "code_challenge_method" << "plain" << 400;
        QTest::newRow("client id too short") << "client_id" << "client_01HZX8K3M4" << 400;
        QTest::newRow("client id lower case") << "client_id" << "client_01hzx8k3m4n5p6q7r8s9t0v1wx" << 400;
        QTest::newRow("unregistered redirect") << "redirect_uri" << "https://attacker.example/callback" << 400;
        QTest::newRow("challenge too short") << "code_challenge" << "abc" << 400;
    }

    void authorizeChecksItsQuery()
    {
        QFETCH(QString, item);
        QFETCH(QString, value);
        QFETCH(int, status);
        QUrlQuery query(RelayClient::authorizeQuery(RelayClient::challengeOf(RelayClient::newVerifier())));
        if (!item.isEmpty()) {
            query.removeQueryItem(item);
            query.addQueryItem(item, value);
        }
        const auto page = m_client->send("GET", "/user_management/authorize?" + query.toString(QUrl::FullyEncoded));
        QCOMPARE(page.status, status);
        if (status == 200) {
            QVERIFY(page.headers.value("content-type").startsWith("text/html"));
            QVERIFY(page.body.contains("<form"));
            QVERIFY(!page.body.contains("api_token"));
        } else {
            QVERIFY(page.json()["error"].is_string());
        }
    }

    // Forms may post to the relay and go on to a registered redirect URI's scheme, nowhere else.
    void pagesAllowOnlyTheRedirectSchemes()
    {
        RelayProcess relay({"CORVANE_RELAY_REDIRECT_URIS=corvane://auth/callback,Web+App://cb,corvane://x,relative"});
        QVERIFY(relay.start());
        RelayClient client(relay);
        const auto challenge = RelayClient::challengeOf(RelayClient::newVerifier());
        for (const auto& page :
            {client.send("GET", "/user_management/authorize?" + RelayClient::authorizeQuery(challenge)),
                client.authorize(challenge)}) {
            QCOMPARE(page.status, 200);
            QCOMPARE(page.headers.value("content-security-policy"),
                "default-src 'none'; style-src 'unsafe-inline'; frame-ancestors 'none'; form-action 'self' corvane: "
                "web+app:");
        }
    }

    void codeExchangesOnceForAWorkingKey()
    {
        const auto verifier = RelayClient::newVerifier();
        const auto signedIn = m_client->authorize(RelayClient::challengeOf(verifier), "dev@example.com");
        QCOMPARE(signedIn.status, 200);
        QVERIFY(RelayClient::refreshOf(signedIn.body).startsWith("corvane://auth/callback?code="));
        const auto code = RelayClient::codeOf(signedIn);
        const auto exchanged = m_client->exchange(code, verifier);
        QCOMPARE(exchanged.status, 200);
        const auto account = Account::fromJson(exchanged.json()["account"]);
        QVERIFY(account);
        QCOMPARE(account->email, "dev@example.com");
        const auto key = QByteArray::fromStdString(exchanged.json()["api_key"].get<std::string>());
        RelayClient user(m_relay);
        user.setKey(key);
        QCOMPARE(user.send("GET", "/listeners/").status, 200);

        const auto reused = m_client->exchange(code, verifier);
        QCOMPARE(reused.status, 400);
        QVERIFY(reused.json()["error"].is_string());
        QVERIFY(m_client->signIn("dev@example.com") != key);
    }

    // A failed exchange uses the code up: guessing verifiers gets one try.
    void wrongVerifierFailsAndBurnsTheCode()
    {
        const auto verifier = RelayClient::newVerifier();
        const auto code = RelayClient::codeOf(m_client->authorize(RelayClient::challengeOf(verifier)));
        QVERIFY(!code.isEmpty());
        QCOMPARE(m_client->exchange(code, RelayClient::newVerifier()).status, 400);
        QCOMPARE(m_client->exchange(code, verifier).status, 400);
        QCOMPARE(m_client->send("POST", "/auth/callback", R"({"code":"x"})").status, 400);
    }

    // RFC 7636, section 4.1: a verifier is 43 to 128 unreserved characters, even one that hashes to the
    // challenge; an e-mail with a control character or bytes that are not UTF-8 names no account.
    void malformedVerifiersAndEmailsAreRefused()
    {
        for (const QByteArray& verifier :
            {QByteArray(), QByteArray("a"), QByteArray(200, 'a'), QByteArray(43, 'a') + "\xc3\xa9"}) {
            const auto code = RelayClient::codeOf(m_client->authorize(RelayClient::challengeOf(verifier)));
            QCOMPARE(m_client->exchange(code, verifier).status, 400);
        }
        const auto challenge = RelayClient::challengeOf(RelayClient::newVerifier());
        QCOMPARE(m_client->authorize(challenge, QStringLiteral("a\u007f@example.com")).status, 400);
        const QByteArray invalid = RelayClient::authorizeQuery(challenge).toUtf8() + "&email=a%FF%FE@example.com";
        QCOMPARE(m_client
                     ->send("POST", "/user_management/authorize", invalid,
                         {{"Content-Type", "application/x-www-form-urlencoded"}})
                     .status,
            400);
    }

    void expiredCodesAreRefused()
    {
        RelayProcess relay({"CORVANE_RELAY_CODE_LIFETIME=0"});
        QVERIFY(relay.start());
        RelayClient client(relay);
        const auto verifier = RelayClient::newVerifier();
        const auto code = RelayClient::codeOf(client.authorize(RelayClient::challengeOf(verifier)));
        const auto reply = client.exchange(code, verifier);
        QCOMPARE(reply.status, 400);
        QVERIFY(QByteArray::fromStdString(reply.json()["error"].get<std::string>()).contains("expired"));
    }

    // With a static token configured, the page asks for it, and the token itself is the owner's key.
    void configuredTokenIsRequired()
    {
        RelayProcess relay({"API_TOKEN=relay-secret-token"});
        QVERIFY(relay.start());
        RelayClient client(relay);
        const auto challenge = RelayClient::challengeOf(RelayClient::newVerifier());
        const auto page = client.send("GET", "/user_management/authorize?" + RelayClient::authorizeQuery(challenge));
        QVERIFY(page.body.contains("api_token"));
        QCOMPARE(client.authorize(challenge).status, 401);
        QCOMPARE(client.authorize(challenge, {}, "relay-secret-tokeN").status, 401);
        QVERIFY(!client.signIn({}, "relay-secret-token").isEmpty());
        client.setKey("relay-secret-token");
        QCOMPARE(client.send("GET", "/listeners/").status, 200);
        QCOMPARE(client.send("POST", "/auth/revoke").status, 400);
    }

    void shortTokensAreRefused_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<bool>("starts");
        QTest::newRow("15 characters") << "API_TOKEN" << QByteArray("fifteen-charact") << false;
        QTest::newRow("16 characters") << "API_TOKEN" << QByteArray("sixteen-characte") << true;
        QTest::newRow("15 characters, 17 bytes") << "API_TOKEN" << QByteArray("\xc3\xa9\xc3\xa9-characters") << false;
        QTest::newRow("15 characters in a file") << "API_TOKEN_FILE" << QByteArray("fifteen-charact\n") << false;
    }

    void shortTokensAreRefused()
    {
        QFETCH(QString, setting);
        QFETCH(QByteArray, token);
        QFETCH(bool, starts);
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(token) == token.size() && file.flush());
        RelayProcess relay({setting + "=" + (setting == "API_TOKEN" ? QString::fromUtf8(token) : file.fileName())});
        QCOMPARE(relay.start(), starts);
        QCOMPARE(relay.exitCode(), starts ? -1 : 2);
    }

    // Guessing the token: five wrong ones, then a client waits, longer for every try that does not wait;
    // the right token clears the client's record.
    void tokenGuessesAreThrottled()
    {
        const QByteArray token = "relay-secret-token";
        RelayProcess relay({"API_TOKEN=" + token});
        QVERIFY(relay.start());
        RelayClient client(relay);
        const auto challenge = RelayClient::challengeOf(RelayClient::newVerifier());
        for (int attempt = 0; attempt < 9; ++attempt) {
            QCOMPARE(client.authorize(challenge, {}, attempt == 4 ? token : "wrong").status, attempt == 4 ? 200 : 401);
        }
        for (const QByteArray wait : {"5", "10", "20"}) {
            const auto refused = client.authorize(challenge, {}, wait == "5" ? "wrong" : token);
            QCOMPARE(refused.status, 429);
            QCOMPARE(refused.headers.value("retry-after"), wait);
            QVERIFY(refused.headers.value("content-type").startsWith("text/html"));
            QVERIFY(refused.body.contains("Wait " + wait + " seconds"));
        }
    }

    // Behind a reverse proxy every request comes from loopback: one-click sign-in is not offered then.
    void proxiedRequestsNeedAToken()
    {
        QUrlQuery form(RelayClient::authorizeQuery(RelayClient::challengeOf(RelayClient::newVerifier())));
        form.addQueryItem("email", "owner%40localhost");
        const auto reply
            = m_client->send("POST", "/user_management/authorize", form.toString(QUrl::FullyEncoded).toUtf8(),
                {{"Content-Type", "application/x-www-form-urlencoded"}, {"X-Forwarded-For", "203.0.113.7"}});
        QCOMPARE(reply.status, 401);
        QVERIFY(reply.json()["error"].is_string());
    }

private:
    RelayProcess m_relay;
    std::unique_ptr<RelayClient> m_client;
};

CORVANE_TEST(SignInTest)
#include "SignInTest.moc"
