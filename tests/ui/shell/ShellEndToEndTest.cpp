#include "core/AppState.h"
#include "platform/SingleInstance.h"
#include "service/AppSettings.h"
#include "support/FakeNotificationServer.h"
#include "support/FakeStatusNotifierWatcher.h"
#include "support/HeadlessSession.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/ScriptedBrowser.h"
#include "support/TestRegistry.h"
#include "ui/shell/CorvaneApp.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/MenuBarPopover.h"
#include "ui/shell/RecentRow.h"
#include "ui/shell/Sidebar.h"
#include "ui/shell/SignInView.h"

#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <memory>

namespace corvane {

using namespace std::chrono_literals;

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

bool answers(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(1000);
}

} // namespace

// The app as a person meets it, on the session's X server with a tray host on the bus.
class ShellEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
    }

    // The run path starts the relay and the app, the app's tray icon registers with the desktop's tray,
    // and the relay stops when the app ends.
    void runPathStartsAndStopsTheRelay()
    {
        test::FakeStatusNotifierWatcher tray;
        const quint16 port = freePort();
        AppSettings::setServiceURL(QStringLiteral("http://127.0.0.1:%1").arg(port));
        QTemporaryDir data;
        QProcess run;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("CORVANE_RELAY_LISTEN", QStringLiteral("127.0.0.1:%1").arg(port));
        environment.insert("XDG_DATA_HOME", data.path());
        environment.insert("QT_QPA_PLATFORM", "xcb");
        run.setProcessEnvironment(environment);
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(CORVANE_SOURCE_FOLDER "/scripts/launch", {CORVANE_BUILD_FOLDER});

        QTRY_VERIFY_WITH_TIMEOUT(!tray.RegisteredStatusNotifierItems().isEmpty(), 20'000);
        QVERIFY(answers(port));
        QVERIFY(QFile::exists(data.filePath("corvane-relay/relay.sqlite3")));

        QProcess::execute("pkill", {"-TERM", "-f", "^" CORVANE_EXECUTABLE "$"});
        QTRY_COMPARE_WITH_TIMEOUT(run.state(), QProcess::NotRunning, 20'000);
        QVERIFY(!answers(port));
    }

    // Sign-in through the relay's page turns the sign-in screen into the split view; a webhook then
    // becomes a notification and a row of the tray panel.
    void signInThenAWebhookArrives()
    {
        test::RelayProcess relay;
        QVERIFY(relay.start());
        AppSettings::setServiceURL(QStringLiteral("http://127.0.0.1:%1").arg(relay.port()));
        AppSettings::setPollIntervalMs(500);
        test::FakeStatusNotifierWatcher tray;
        test::FakeNotificationServer notifications;
        test::ScriptedBrowser browser(CORVANE_EXECUTABLE);

        SingleInstance instance;
        QVERIFY(instance.claim());
        auto app = std::make_unique<CorvaneApp>();
        connect(&instance, &SingleInstance::urlReceived, app.get(), &CorvaneApp::openLink);
        QSignalSpy launched(app.get(), &CorvaneApp::launched);
        QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(app->secretStore(), QString())));
        app->launch();
        QTRY_COMPARE_WITH_TIMEOUT(launched.size(), 1, 10'000);
        QTRY_VERIFY_WITH_TIMEOUT(!tray.RegisteredStatusNotifierItems().isEmpty(), 10'000);

        QTRY_VERIFY_WITH_TIMEOUT(app->mainWindow()->findChild<SignInView*>(), 10'000);
        app->mainWindow()->findChild<SignInView*>()->signInButton()->click();
        QTRY_VERIFY2_WITH_TIMEOUT(app->mainWindow()->findChild<Sidebar*>(), qPrintable(browser.failure()), 20'000);
        QTRY_COMPARE_WITH_TIMEOUT(browser.handOverExitCode(), 0, 10'000);
        QTRY_VERIFY_WITH_TIMEOUT(app->state()->connected(), 10'000);
        QCOMPARE(app->trayIcon().property("iconName"), "connected");

        const auto key = QCoro::waitFor(AppSettings::keychainRead(app->secretStore()));
        QVERIFY(key && !key->isEmpty());
        test::RelayClient sender(relay);
        sender.setKey(key->toUtf8());
        const auto listener = sender.createListener("Deploys");
        QVERIFY(listener.contains("hook_path"));
        QCOMPARE(sender.hook(listener, R"({"action": "opened"})").status, 202);

        QTRY_COMPARE_WITH_TIMEOUT(app->state()->recentBanner().size(), 1U, 10'000);
        QCOMPARE(notifications.received().size(), 1);
        app->popover()->popUp(app->trayIcon().geometry());
        const auto rows = app->popover()->findChildren<RecentRow*>();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.front()->bannerEvent().listenerName, "Deploys");
        app->popover()->close();

        app.reset();
        QTRY_COMPARE_WITH_TIMEOUT(AppState::runningLoops(), 0, 20'000);
    }
};

CORVANE_TEST(ShellEndToEndTest)

} // namespace corvane

#include "ShellEndToEndTest.moc"
