#include "support/HeadlessSession.h"
#include "support/Screenshots.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/MenuBarPopover.h"
#include "ui/shell/Sidebar.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>

#include <memory>

namespace corvane {

// Renders every screen of the shell in a light and a dark scheme into the screenshot folder, for a
// person to look at.
class ShellScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CORVANE_REQUIRE_HEADLESS_SESSION(); }
    void cleanupTestCase() { QApplication::setPalette(QPalette()); }

    void screens_data() { test::addSchemes(); }
    void screens()
    {
        test::applyScheme();
        {
            test::SessionFixture shell;
            shell.start(false);
            MainWindow window(shell.state());
            test::saveScreenshot(window, "sign-in");
            shell.state().signIn();
            test::saveScreenshot(window, "sign-in-busy");
            shell.session().finish({{}, "Could not reach the relay at http://127.0.0.1:3100: Connection refused"});
            QTRY_VERIFY(!shell.state().signingIn());
            test::saveScreenshot(window, "sign-in-error");
        }
        {
            test::SessionFixture shell;
            shell.start(true);
            MainWindow window(shell.state());
            test::saveScreenshot(window, "main-no-listeners");
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
            test::saveScreenshot(window, "main-listeners");
            shell.state().setSidebarSelection(SidebarSelection::forListener("l1"));
            test::saveScreenshot(window, "main-listener-selected");
            shell.state().setSidebarSelection(SidebarSelection{SidebarSelection::Kind::activity, {}});
            shell.state().setPaused(true);
            test::saveScreenshot(window, "main-activity-paused");
            shell.state().setPaused(false);

            MenuBarPopover popover(shell.state());
            popover.adjustSize();
            test::saveScreenshot(popover, "tray-panel");
        }
    }
};

CORVANE_TEST(ShellScreenshotTest)

} // namespace corvane

#include "ShellScreenshotTest.moc"
