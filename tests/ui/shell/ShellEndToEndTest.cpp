#include "core/AppState.h"
#include "platform/SingleInstance.h"
#include "service/AppSettings.h"
#include "support/FakeNotificationServer.h"
#include "support/FakeStatusNotifierWatcher.h"
#include "support/HeadlessSession.h"
#include "support/LinkCatcher.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/ScriptedBrowser.h"
#include "support/TestRegistry.h"
#include "ui/inspector/PayloadInspector.h"
#include "ui/inspector/PayloadInspectorSheet.h"
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
#include <xcb/xcb.h>

#include <algorithm>
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

// The window's _NET_STARTUP_ID: the launch a window manager takes it to be the outcome of.
QByteArray startupIdOf(const QWidget& window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto atomCookie = xcb_intern_atom(x11, 1, 15, "_NET_STARTUP_ID");
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(x11, atomCookie, nullptr), &std::free);
    const auto id = static_cast<xcb_window_t>(window.winId());
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
        xcb_get_property_reply(x11, xcb_get_property(x11, 0, id, atom->atom, XCB_ATOM_ANY, 0, 64), nullptr),
        &std::free);
    return {static_cast<const char*>(xcb_get_property_value(property.get())),
        xcb_get_property_value_length(property.get())};
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
    // becomes a notification and a row of the tray panel. A click on the notification brings the hidden
    // window back with the webhook in the inspector; with a link, the click opens the link instead, and
    // "Show in Corvane" shows a webhook that has left the activity, or says that it is gone.
    void signInThenAWebhookArrives()
    {
        test::RelayProcess relay;
        QVERIFY(relay.start({"--rate-burst", "1000"}));
        AppSettings::setServiceURL(QStringLiteral("http://127.0.0.1:%1").arg(relay.port()));
        AppSettings::setPollIntervalMs(500);
        test::FakeStatusNotifierWatcher tray;
        test::FakeNotificationServer notifications({"body", "actions"});
        test::ScriptedBrowser browser(CORVANE_EXECUTABLE);
        test::LinkCatcher links;

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
        QCOMPARE(app->trayIcon()->property("iconName"), "connected");

        const auto key = QCoro::waitFor(AppSettings::keychainRead(app->secretStore()));
        QVERIFY(key && !key->isEmpty());
        test::RelayClient sender(relay);
        sender.setKey(key->toUtf8());
        const auto listener = sender.createListener("Deploys");
        QVERIFY(listener.contains("hook_path"));
        QCOMPARE(sender.hook(listener, R"({"action": "opened"})").status, 202);

        QTRY_COMPARE_WITH_TIMEOUT(app->state()->recentBanner().size(), 1U, 10'000);
        QCOMPARE(notifications.received().size(), 1);
        app->popover()->popUp(app->trayIcon()->geometry());
        const auto rows = app->popover()->findChildren<RecentRow*>();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.front()->bannerEvent().listenerName, "Deploys");
        app->popover()->close();

        MainWindow* window = app->mainWindow();
        app->showMainWindow("launch-1_TIME42");
        QCOMPARE(startupIdOf(*window), "launch-1_TIME42");
        window->close();
        const QString first = QString::fromStdString(app->state()->activity().front().id);
        notifications.invokeAction(notifications.received().front().id, "default");
        QTRY_VERIFY_WITH_TIMEOUT(window->isVisible() && window->payloadSheet(), 10'000);
        QCOMPARE(QString::fromStdString(window->payloadSheet()->inspector()->payload().id), first);
        window->payloadSheet()->close();

        const QString id = test::RelayClient::idOf(listener);
        const auto linked = sender.send("PATCH", "/listeners/" + id,
            "{\"notification_config\": {\"title\": \"{{body.action}}\", \"link\": \"{{body.url}}\"}}");
        QCOMPARE(linked.status, 200);
        QCOMPARE(sender.hook(listener, "{\"action\": \"merged\", \"url\": \"https://git.example.test/pull/7\"}").status,
            202);
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 2, 10'000);
        const auto merged = notifications.received().back();
        notifications.invokeAction(merged.id, "default");
        QTRY_COMPARE_WITH_TIMEOUT(links.opened, QList<QUrl>{QUrl("https://git.example.test/pull/7")}, 10'000);

        const auto earlier = app->state()->activity().back().id;
        for (int hook = 0; hook < 100; ++hook) {
            QCOMPARE(sender.hook(listener, "{\"action\": \"noise\"}").status, 202);
        }
        QTRY_VERIFY_WITH_TIMEOUT(std::ranges::none_of(app->state()->activity(),
                                     [&](const Payload& payload) { return payload.id == earlier; }),
            20'000);
        notifications.invokeAction(notifications.received().front().id, "default");
        QTRY_VERIFY_WITH_TIMEOUT(window->payloadSheet(), 10'000);
        QCOMPARE(window->payloadSheet()->inspector()->payload().id, earlier);
        window->payloadSheet()->close();
        QVERIFY(sender.send("DELETE", "/listeners/" + id).status < 300);
        QTRY_VERIFY_WITH_TIMEOUT(app->state()->activity().empty(), 10'000);
        notifications.invokeAction(merged.id, "show");
        QTRY_COMPARE_WITH_TIMEOUT(app->state()->lastError(), "That webhook is no longer on the relay.", 10'000);

        app.reset();
        QTRY_COMPARE_WITH_TIMEOUT(AppState::runningLoops(), 0, 20'000);
    }
};

CORVANE_TEST(ShellEndToEndTest)

} // namespace corvane

#include "ShellEndToEndTest.moc"
