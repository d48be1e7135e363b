#include "platform/SingleInstance.h"
#include "support/FakeStatusNotifierWatcher.h"
#include "support/HeadlessSession.h"
#include "support/TestRegistry.h"
#include "ui/shell/CorvaneApp.h"
#include "ui/shell/MainWindow.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace corvane {

namespace {

bool onScreen(const QWidget& window)
{
    return window.isVisible() && window.windowHandle() && window.windowHandle()->isExposed();
}

} // namespace

// The app on the session's Wayland compositor (weston's headless backend).
class WaylandShellTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        if (QGuiApplication::platformName() != QLatin1String("wayland")) {
            QSKIP(
                "needs a Wayland compositor: weston, which scripts/setup --test installs and scripts/headless starts");
        }
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
    }

    // A second corvane started by the desktop hands the running one its link, or else asks for the
    // window, with the activation token it was given; the window comes back on screen and the token
    // is spent.
    void aSecondStartHandsOverItsToken_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("link") << QStringList{"corvane://auth/callback?code=c&state=s"};
        QTest::newRow("window") << QStringList{};
    }

    void aSecondStartHandsOverItsToken()
    {
        QFETCH(QStringList, arguments);
        SingleInstance instance;
        QVERIFY(instance.claim());
        CorvaneApp app;
        connect(&instance, &SingleInstance::urlReceived, &app, &CorvaneApp::openLink);
        connect(&instance, &SingleInstance::activationRequested, &app, &CorvaneApp::showMainWindow);
        QSignalSpy links(&instance, &SingleInstance::urlReceived);
        QSignalSpy activations(&instance, &SingleInstance::activationRequested);
        app.launch();
        QTRY_VERIFY_WITH_TIMEOUT(onScreen(*app.mainWindow()), 10'000);
        app.mainWindow()->hide();

        QProcess second;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_ACTIVATION_TOKEN", "token-from-the-desktop");
        environment.insert("QT_QPA_PLATFORM", "wayland");
        second.setProcessEnvironment(environment);
        second.start(CORVANE_EXECUTABLE, arguments);
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20'000);
        QCOMPARE(second.exitCode(), 0);

        if (arguments.isEmpty()) {
            QCOMPARE(activations.value(0), QVariantList{"token-from-the-desktop"});
            QTRY_VERIFY_WITH_TIMEOUT(onScreen(*app.mainWindow()), 10'000);
        } else {
            QCOMPARE(links.value(0), (QVariantList{arguments.front(), "token-from-the-desktop"}));
        }
        QVERIFY(!qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
    }

    // Started at login before the desktop's tray host: the window opens, since there is no tray to live
    // in; the host then appears, the icon registers with it and the window stays.
    void aTrayHostThatComesLater()
    {
        CorvaneApp app;
        app.launch(CorvaneApp::Start::atLogin);
        QTRY_VERIFY_WITH_TIMEOUT(onScreen(*app.mainWindow()), 10'000);
        QVERIFY(!app.trayIcon());

        test::FakeStatusNotifierWatcher tray;
        QTRY_VERIFY_WITH_TIMEOUT(!tray.RegisteredStatusNotifierItems().isEmpty(), 10'000);
        QVERIFY(app.trayIcon()->isVisible());
        QVERIFY(app.mainWindow()->isVisible());
    }
};

CORVANE_TEST(WaylandShellTest)

} // namespace corvane

#include "WaylandShellTest.moc"
