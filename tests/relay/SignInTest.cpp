#include "model/Account.h"
#include "support/HeadlessChromium.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTest>
#include <QUrlQuery>

using namespace corvane;
using namespace corvane::test;

// The relay's own sign-in: the authorize page, the code redirect and the PKCE exchange (RFC 7636).
class SignInTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CORVANE_SKIP_WITHOUT_RELAY_STORE();
        QVERIFY(m_relay.start());
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
        const auto page = m_client.send("GET", "/user_management/authorize?" + query.toString(QUrl::FullyEncoded));
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

    // A code exchanges once, for a key that works until it is revoked, and only with the verifier of
    // its challenge; a failed exchange uses it up, so guessing verifiers gets one try. RFC 7636, section
    // 4.1: a verifier is 43 to 128 unreserved characters, even one that hashes to the challenge.
    void codeExchangesOnce_data()
    {
        QTest::addColumn<QByteArray>("verifier");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("status");
        const auto verifier = RelayClient::newVerifier();
        QTest::newRow("its verifier") << verifier << verifier << 200;
        QTest::newRow("another verifier") << verifier << RelayClient::newVerifier() << 400;
        for (const QByteArray& malformed :
            {QByteArray(), QByteArray("a"), QByteArray(200, 'a'), QByteArray(43, 'a') + "\xc3\xa9"}) {
            QTest::addRow("%d bytes, malformed", int(malformed.size())) << malformed << malformed << 400;
        }
    }

    void codeExchangesOnce()
    {
        QFETCH(QByteArray, verifier);
        QFETCH(QByteArray, sent);
        QFETCH(int, status);
        const auto signedIn = m_client.authorize(RelayClient::challengeOf(verifier), "dev@example.com");
        QVERIFY(RelayClient::refreshOf(signedIn.body).startsWith("corvane://auth/callback?code="));
        const auto code = RelayClient::codeOf(signedIn);
        const auto exchanged = m_client.exchange(code, sent);
        QCOMPARE(exchanged.status, status);
        const auto again = m_client.exchange(code, verifier);
        QCOMPARE(again.status, 400);
        QVERIFY(again.json()["error"].is_string());
        if (status == 200) {
            const auto account = Account::fromJson(exchanged.json()["account"]);
            QVERIFY(account);
            QCOMPARE(account->email, "dev@example.com");
            const auto key = QByteArray::fromStdString(exchanged.json()["api_key"].get<std::string>());
            RelayClient user(m_relay);
            user.setKey(key);
            QCOMPARE(user.send("GET", "/listeners/").status, 200);
            QVERIFY(user.signIn("dev@example.com") != key);
            QCOMPARE(user.send("POST", "/auth/revoke").status, 204);
            QCOMPARE(user.send("GET", "/listeners/").status, 401);
        }
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

    // An e-mail with a control character or bytes that are not UTF-8 names no account; behind a
    // reverse proxy every request comes from loopback, so one-click sign-in is not offered then.
    void signInFormIsRefused_data()
    {
        QTest::addColumn<QByteArray>("email");
        QTest::addColumn<QByteArray>("forwardedFor");
        QTest::addColumn<int>("status");
        QTest::newRow("control character") << QByteArray("a%7F%40example.com") << QByteArray() << 400;
        QTest::newRow("not UTF-8") << QByteArray("a%FF%FE@example.com") << QByteArray() << 400;
        QTest::newRow("proxied") << QByteArray("owner%40localhost") << QByteArray("203.0.113.7") << 401;
    }

    void signInFormIsRefused()
    {
        QFETCH(QByteArray, email);
        QFETCH(QByteArray, forwardedFor);
        QFETCH(int, status);
        HeaderList headers{{"Content-Type", "application/x-www-form-urlencoded"}};
        if (!forwardedFor.isEmpty()) {
            headers.append({"X-Forwarded-For", forwardedFor});
        }
        const auto form = RelayClient::authorizeQuery(RelayClient::challengeOf(RelayClient::newVerifier())).toUtf8();
        const auto reply = m_client.send("POST", "/user_management/authorize", form + "&email=" + email, headers);
        QCOMPARE(reply.status, status);
        QVERIFY(reply.json()["error"].is_string());
    }

    // With a static token configured, the page asks for it, and the token itself is the owner's key.
    // Guessing it: five wrong ones, then a client waits, longer for every try that does not wait; the
    // right token clears the client's record.
    void configuredTokenIsRequiredAndGuessesAreThrottled()
    {
        const QByteArray token = "relay-secret-token";
        RelayProcess relay({"API_TOKEN=" + token});
        QVERIFY(relay.start());
        RelayClient client(relay);
        const auto challenge = RelayClient::challengeOf(RelayClient::newVerifier());
        const auto page = client.send("GET", "/user_management/authorize?" + RelayClient::authorizeQuery(challenge));
        QVERIFY(page.body.contains("api_token"));
        QCOMPARE(client.authorize(challenge).status, 401);
        QCOMPARE(client.authorize(challenge, {}, "relay-secret-tokeN").status, 401);
        QVERIFY(!client.signIn({}, token).isEmpty());
        client.setKey(token);
        QCOMPARE(client.send("GET", "/listeners/").status, 200);
        QCOMPARE(client.send("POST", "/auth/revoke").status, 400);

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

    // In a real browser: headless Chromium loads the page, a click submits it, and the browser must be
    // sent on to the app's corvane:// link with nothing in the pages' policy in the way.
    void browserReachesTheApp()
    {
        if (HeadlessChromium::executable().isEmpty()) {
            QSKIP("chromium is not installed (scripts/setup installs it)");
        }
        constexpr int timeout = 30000;
        HeadlessChromium browser;
        const auto started = browser.start();
        QVERIFY2(started, started ? "" : qPrintable(started.error()));
        const auto callbacks = [&] {
            return (browser.eventStrings("Network.requestWillBeSent", "/params/request/url")
                + browser.eventStrings("Page.frameRequestedNavigation", "/params/url"))
                .filter(QRegularExpression("^corvane://auth/callback\\?code="));
        };
        const auto violations = [&] {
            return browser.eventStrings("Log.entryAdded", "/params/entry/text").filter("Content Security Policy");
        };

        const auto verifier = RelayClient::newVerifier();
        const auto page = m_relay.url(
            "/user_management/authorize?" + RelayClient::authorizeQuery(RelayClient::challengeOf(verifier)));
        const auto loads = [&] { return browser.eventStrings("Page.loadEventFired", "/method").size(); };
        const auto loadsBefore = loads();
        const auto loaded = browser.call("Page.navigate", {{"url", page.toString().toStdString()}});
        QVERIFY2(loaded, loaded ? "" : qPrintable(loaded.error()));
        QTRY_VERIFY_WITH_TIMEOUT(loads() > loadsBefore, timeout);
        const auto clicked = browser.evaluate("document.querySelector('button[type=submit]').click()");
        QVERIFY2(clicked, clicked ? "" : qPrintable(clicked.error()));
        QTRY_VERIFY_WITH_TIMEOUT(!callbacks().isEmpty() || !violations().isEmpty(), timeout);
        QVERIFY2(violations().isEmpty(), qPrintable(violations().join('\n')));

        const QString callback = callbacks().constFirst();
        const auto shown = browser.evaluate("document.body.innerText + '\\n' + document.querySelector('a').href");
        QVERIFY2(shown, shown ? "" : qPrintable(shown.error()));
        QVERIFY2(shown->contains(u"Return to Corvane \u2014 you can close this tab"), qPrintable(*shown));
        QVERIFY2(shown->endsWith('\n' + callback), qPrintable(*shown));
        const auto exchanged = m_client.exchange(QUrlQuery(QUrl(callback)).queryItemValue("code").toUtf8(), verifier);
        QCOMPARE(exchanged.status, 200);
    }

private:
    RelayProcess m_relay;
    RelayClient m_client{m_relay};
};

CORVANE_TEST(SignInTest)
#include "SignInTest.moc"
