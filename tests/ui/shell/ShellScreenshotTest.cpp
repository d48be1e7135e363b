#include "support/Appearance.h"
#include "support/HeadlessSession.h"
#include "support/Screenshots.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/MenuBarPopover.h"
#include "ui/shell/Sidebar.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTest>

#include <functional>
#include <memory>

namespace corvane {

// Renders every screen of the shell in a light and a dark scheme into the screenshot folder, for a
// person to look at.
class ShellScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        QApplication::setFont(test::defaultFont());
    }
    void cleanupTestCase() { QApplication::setPalette(QPalette()); }

    void screens_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void screens()
    {
        QFETCH(bool, dark);
        QApplication::setPalette(dark ? test::darkPalette() : test::lightPalette());
        const QString scheme = dark ? "dark" : "light";

        {
            test::SessionFixture shell;
            shell.start(false);
            MainWindow window(shell.state());
            save(window, "sign-in", scheme);
            shell.state().signIn();
            save(window, "sign-in-busy", scheme);
            shell.session().finish({{}, "Could not reach the relay at http://127.0.0.1:3100: Connection refused"});
            QTRY_VERIFY(!shell.state().signingIn());
            save(window, "sign-in-error", scheme);
        }
        {
            test::SessionFixture shell;
            shell.start(true);
            MainWindow window(shell.state());
            save(window, "main-no-listeners", scheme);
        }
        {
            test::SessionFixture shell;
            QList<QByteArray> recent;
            for (int number = 1; number <= 7; ++number) {
                recent << test::SessionFixture::payload(
                    number, number == 2 ? "" : "Deploy #" + QByteArray::number(number));
            }
            shell.script({test::SessionFixture::listener("l1", "Deploys", R"(, "undelivered_count": 3)"),
                             test::SessionFixture::listener("l2", "Payments"),
                             test::SessionFixture::listener("l3", "Uptime alerts", R"(, "is_enabled": false)")},
                recent, recent);
            shell.start(true);
            QTRY_COMPARE_WITH_TIMEOUT(shell.state().recentBanner().size(), 7U, 10'000);
            MainWindow window(shell.state());
            save(window, "main-listeners", scheme);
            shell.state().setSidebarSelection(SidebarSelection::forListener("l1"));
            save(window, "main-listener-selected", scheme);
            shell.state().setSidebarSelection(SidebarSelection{SidebarSelection::Kind::activity, {}});
            shell.state().setPaused(true);
            save(window, "main-activity-paused", scheme);
            shell.state().setPaused(false);

            MenuBarPopover popover(shell.state());
            popover.adjustSize();
            save(popover, "tray-panel", scheme);
        }
    }

private:
    static void save(QWidget& widget, const QString& name, const QString& scheme)
    {
        const QString file = QStringLiteral("%1/%2-%3.png")
                                 .arg(test::screenshotFolder(QStringLiteral(CORVANE_SCREENSHOTS_FOLDER)), name, scheme);
        QVERIFY2(test::saveScreenshot(widget, file), qPrintable(file));
    }
};

CORVANE_TEST(ShellScreenshotTest)

} // namespace corvane

#include "ShellScreenshotTest.moc"
