#include "support/HeadlessChromium.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"

#include <QStringList>
#include <QTest>
#include <QUrlQuery>

#include <algorithm>

using namespace corvane::test;

namespace {

constexpr int browserTimeoutMilliseconds = 30000;
const QString callbackPrefix = QStringLiteral("corvane://auth/callback?code=");

// The first corvane:// callback the page was sent to, as a redirect or as a navigation of its own.
QString callbackOf(const std::vector<nlohmann::json>& events)
{
    for (const auto& event : events) {
        const auto params = event.value("params", nlohmann::json::object());
        const std::string method = event.value("method", "");
        const std::string url = method == "Network.requestWillBeSent"
            ? params.value("request", nlohmann::json::object()).value("url", "")
            : method == "Page.frameRequestedNavigation" ? params.value("url", "")
                                                        : std::string();
        if (QString::fromStdString(url).startsWith(callbackPrefix)) {
            return QString::fromStdString(url);
        }
    }
    return {};
}

// What the browser's console said about the page's Content-Security-Policy.
QStringList policyViolations(const std::vector<nlohmann::json>& events)
{
    QStringList violations;
    for (const auto& event : events) {
        if (event.value("method", "") != "Log.entryAdded") {
            continue;
        }
        const auto entry = event.value("params", nlohmann::json::object()).value("entry", nlohmann::json::object());
        const auto text = QString::fromStdString(entry.value("text", ""));
        if (text.contains("Content Security Policy")) {
            violations << text;
        }
    }
    return violations;
}

qsizetype loadsOf(const std::vector<nlohmann::json>& events)
{
    return std::ranges::count_if(
        events, [](const nlohmann::json& event) { return event.value("method", "") == "Page.loadEventFired"; });
}

} // namespace

// Sign-in in a real browser: headless Chromium loads the relay's page, a click submits it, and the
// browser must be sent on to the app's corvane:// link with nothing in the page's policy in the way.
class BrowserSignInTest : public QObject {
    Q_OBJECT

private slots:
    void signInReachesTheApp()
    {
        if (HeadlessChromium::executable().isEmpty()) {
            QSKIP("chromium is not installed (scripts/setup installs it)");
        }
        RelayProcess relay;
        QVERIFY(relay.start());
        HeadlessChromium browser;
        const auto started = browser.start();
        QVERIFY2(started, started ? "" : qPrintable(started.error()));

        const auto verifier = RelayClient::newVerifier();
        const auto page = relay.url(
            "/user_management/authorize?" + RelayClient::authorizeQuery(RelayClient::challengeOf(verifier)));
        const auto loads = loadsOf(browser.events());
        const auto navigated = browser.call("Page.navigate", {{"url", page.toString().toStdString()}});
        QVERIFY2(navigated, navigated ? "" : qPrintable(navigated.error()));
        QTRY_VERIFY_WITH_TIMEOUT(loadsOf(browser.events()) > loads, browserTimeoutMilliseconds);
        const auto clicked = browser.call("Runtime.evaluate",
            {{"expression", "document.querySelector('button[type=submit]').click()"}, {"userGesture", true}});
        QVERIFY2(clicked, clicked ? "" : qPrintable(clicked.error()));

        QTRY_VERIFY_WITH_TIMEOUT(
            !callbackOf(browser.events()).isEmpty() || !policyViolations(browser.events()).isEmpty(),
            browserTimeoutMilliseconds);
        QVERIFY2(
            policyViolations(browser.events()).isEmpty(), qPrintable(policyViolations(browser.events()).join('\n')));

        const QString callback = callbackOf(browser.events());
        const auto shown = browser.call("Runtime.evaluate",
            {{"expression", "document.body.innerText + '\\n' + document.querySelector('a').href"},
                {"returnByValue", true}});
        QVERIFY2(shown, shown ? "" : qPrintable(shown.error()));
        const auto text = QString::fromStdString(shown->value("result", nlohmann::json::object()).value("value", ""));
        QVERIFY2(text.contains(u"Return to Corvane \u2014 you can close this tab"), qPrintable(text));
        QVERIFY2(text.endsWith('\n' + callback), qPrintable(text));

        const auto code = QUrlQuery(QUrl(callback)).queryItemValue("code").toUtf8();
        RelayClient client(relay);
        const auto exchanged = client.exchange(code, verifier);
        QCOMPARE(exchanged.status, 200);
        client.setKey(QByteArray::fromStdString(exchanged.json().value("api_key", "")));
        QCOMPARE(client.send("GET", "/listeners/").status, 200);
    }
};

CORVANE_TEST(BrowserSignInTest)
#include "BrowserSignInTest.moc"
