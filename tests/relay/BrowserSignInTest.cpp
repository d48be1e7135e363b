#include "support/HeadlessChromium.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <QTest>
#include <QUrlQuery>

using namespace corvane::test;

// Sign-in in a real browser: headless Chromium loads the relay's page, a click submits it, and the
// browser must be sent on to the app's corvane:// link with nothing in the pages' policy in the way.
class BrowserSignInTest : public QObject {
    Q_OBJECT

private slots:
    void signInReachesTheApp()
    {
        if (HeadlessChromium::executable().isEmpty()) {
            QSKIP("chromium is not installed (scripts/setup installs it)");
        }
        constexpr int timeout = 30000;
        RelayProcess relay;
        QVERIFY(relay.start());
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
        const auto page = relay.url(
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

        RelayClient client(relay);
        const auto exchanged = client.exchange(QUrlQuery(QUrl(callback)).queryItemValue("code").toUtf8(), verifier);
        QCOMPARE(exchanged.status, 200);
        client.setKey(QByteArray::fromStdString(exchanged.json().value("api_key", "")));
        QCOMPARE(client.send("GET", "/listeners/").status, 200);
    }
};

CORVANE_TEST(BrowserSignInTest)
#include "BrowserSignInTest.moc"
