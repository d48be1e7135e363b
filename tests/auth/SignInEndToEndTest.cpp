#include "auth/AuthCoordinator.h"
#include "core/AppState.h"
#include "core/Notifier.h"
#include "platform/BrowserAuthenticationSession.h"
#include "platform/SecretServiceStore.h"
#include "platform/SingleInstance.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"
#include "support/FakeNotificationServer.h"
#include "support/HeadlessSession.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/ScriptedBrowser.h"
#include "support/TestRegistry.h"

#include <QNetworkAccessManager>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <memory>

namespace corvane {

using namespace std::chrono_literals;

// Sign-in with real parts and no person: the relay's own sign-in page, a browser stand-in that submits
// it, the corvane:// link handed over by a second corvane process, the key in the session's Secret
// Service.
class SignInEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void signInThroughTheRelayPageThenSignOut()
    {
        test::RelayProcess relay;
        QVERIFY(relay.start());
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
        AppSettings::setServiceURL(QStringLiteral("http://127.0.0.1:%1").arg(relay.port()));
        AppSettings::setPollIntervalMs(500);

        QTemporaryDir folder;
        SecretServiceStore secrets(10s, folder.filePath("fallback"));
        QVERIFY(QCoro::waitFor(secrets.write(QString())) == 0);
        SingleInstance instance;
        QVERIFY(instance.claim());
        QNetworkAccessManager network;
        ServiceClient client(network, secrets);
        BrowserAuthenticationSession session;
        connect(&instance, &SingleInstance::urlReceived, &session, &BrowserAuthenticationSession::deliver);
        AuthCoordinator auth(client, secrets, session);
        test::FakeNotificationServer notifications;
        Notifier notifier(QDBusConnection::sessionBus(), "/sounds");
        test::ScriptedBrowser browser(CORVANE_EXECUTABLE);

        auto state = std::make_unique<AppState>(client, secrets, auth, notifier, false, std::nullopt);
        state->signIn();
        QTRY_VERIFY2_WITH_TIMEOUT(!state->signingIn(), qPrintable(browser.failure()), 20'000);
        QCOMPARE(state->lastError(), std::nullopt);
        QVERIFY(state->signedIn());
        QTRY_COMPARE_WITH_TIMEOUT(browser.handOverExitCode(), 0, 10'000);
        QVERIFY(browser.callback().startsWith("corvane://auth/callback?code="));

        const auto key = QCoro::waitFor(AppSettings::keychainRead(secrets));
        QVERIFY(key && !key->isEmpty());
        test::RelayClient relayClient(relay);
        relayClient.setKey(key->toUtf8());
        QCOMPARE(relayClient.send("GET", "/listeners/").status, 200);
        QCOMPARE(AppSettings::accountEmail(), state->accountEmail());
        QVERIFY(AppSettings::accountEmail());
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
        QCOMPARE(QCoro::waitFor(AppSettings::keychainRead(secrets)), std::optional<QString>(""));
        QCOMPARE(AppSettings::accountEmail(), std::nullopt);
        state.reset();
        QTRY_COMPARE(AppState::runningLoops(), 0);

        const auto stored = QCoro::waitFor(AppSettings::keychainRead(secrets));
        AppState restarted(client, secrets, auth, notifier, stored && !stored->isEmpty(), AppSettings::accountEmail());
        QVERIFY(!restarted.signedIn());
        QVERIFY(!restarted.isPolling());
        QCOMPARE(restarted.accountEmail(), std::nullopt);
    }
};

CORVANE_TEST(SignInEndToEndTest)

} // namespace corvane

#include "SignInEndToEndTest.moc"
