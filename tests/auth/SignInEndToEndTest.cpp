#include "platform/BrowserAuthenticationSession.h"
#include "platform/SingleInstance.h"
#include "service/AppSettings.h"
#include "support/HeadlessSession.h"
#include "support/RelaySession.h"
#include "support/ScriptedBrowser.h"
#include "support/TestRegistry.h"

#include <QProcess>
#include <QTest>

#include <qcoro/qcorotask.h>

namespace corvane {

// Sign-in with real parts and no person: the relay's own sign-in page, a browser stand-in that submits
// it, the corvane:// link handed over by a second corvane process, the key in the session's Secret
// Service.
class SignInEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void signInThroughTheRelayPageThenSignOut()
    {
        test::RelaySession session;
        QVERIFY(session.start());
        SingleInstance instance;
        QVERIFY(instance.claim());
        BrowserAuthenticationSession browserSession;
        connect(&instance, &SingleInstance::urlReceived, &browserSession, &BrowserAuthenticationSession::deliver);
        test::ScriptedBrowser browser(CORVANE_EXECUTABLE);

        AppState* state = &session.startState(&browserSession);
        state->signIn();
        QTRY_VERIFY2_WITH_TIMEOUT(!state->signingIn(), qPrintable(browser.failure()), 20'000);
        QCOMPARE(state->lastError(), std::nullopt);
        QVERIFY(state->signedIn());
        QTRY_COMPARE_WITH_TIMEOUT(browser.handOverExitCode(), 0, 10'000);
        QVERIFY(browser.callback().startsWith("corvane://auth/callback?code="));

        const auto key = QCoro::waitFor(AppSettings::keychainRead(session.secrets()));
        QVERIFY(key && !key->isEmpty());
        test::RelayClient relayClient(session.relay());
        relayClient.setKey(key.value_or(QString()).toUtf8());
        QCOMPARE(relayClient.send("GET", "/listeners/").status, 200);
        QVERIFY(AppSettings::accountEmail());
        QCOMPARE(AppSettings::accountEmail(), state->accountEmail());
        QTRY_VERIFY_WITH_TIMEOUT(state->connected(), 10'000);

        // The same link once more, with no sign-in waiting: handed over, and ignored.
        QProcess late;
        late.start(CORVANE_EXECUTABLE, {browser.callback()});
        QTRY_COMPARE_WITH_TIMEOUT(late.state(), QProcess::NotRunning, 10'000);
        QCOMPARE(late.exitCode(), 0);
        QVERIFY(state->signedIn());
        QCOMPARE(state->lastError(), std::nullopt);

        state->signOut();
        QTRY_VERIFY(!state->signedIn());
        QCOMPARE(QCoro::waitFor(AppSettings::keychainRead(session.secrets())), std::optional<QString>(""));
        QCOMPARE(AppSettings::accountEmail(), std::nullopt);
        session.stopState();
        QCOMPARE(AppState::runningLoops(), 0);

        state = &session.startState(&browserSession);
        QVERIFY(!state->signedIn());
        QVERIFY(!state->isPolling());
        QCOMPARE(state->accountEmail(), std::nullopt);
    }
};

CORVANE_TEST(SignInEndToEndTest)

} // namespace corvane

#include "SignInEndToEndTest.moc"
