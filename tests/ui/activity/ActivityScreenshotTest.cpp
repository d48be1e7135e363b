#include "support/HeadlessSession.h"
#include "support/Screenshots.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/inspector/PayloadInspector.h"
#include "ui/inspector/PayloadInspectorSheet.h"
#include "ui/shell/MainWindow.h"

#include <QApplication>
#include <QDateTime>
#include <QTest>

namespace corvane {
namespace {

QByteArray received(int secondsAgo)
{
    return QDateTime::currentDateTimeUtc().addSecs(-secondsAgo).toString(Qt::ISODateWithMs).toUtf8();
}

QList<QByteArray> webhooks()
{
    return {
        "{\"id\": \"p3\", \"listener_id\": \"l1\", \"listener_name\": \"Deploys\", \"method\": \"POST\", "
        "\"headers\": {\"Content-Type\": \"application/json\", \"User-Agent\": \"GitHub-Hookshot/7d1\", "
        "\"X-GitHub-Event\": \"deployment_status\"}, \"query\": {\"env\": \"production\"}, "
        "\"body\": {\"action\": \"created\", \"deployment\": {\"id\": 4821, \"ref\": \"main\", "
        "\"url\": \"https://api.example.com/deployments/4821\"}, \"state\": \"success\"}, "
        "\"verification\": {\"status\": \"verified\"}, \"received_at\": \""
            + received(42) + "\"}",
        "{\"id\": \"p2\", \"listener_id\": \"l2\", \"listener_name\": \"Payments\", \"method\": \"POST\", "
        "\"body\": {\"amount\": 1999, \"currency\": \"EUR\", \"type\": \"charge.succeeded\"}, "
        "\"verification\": {\"status\": \"failed\", \"reason\": \"signature does not match\"}, \"received_at\": \""
            + received(600) + "\", \"delivered_at\": \"" + received(599) + "\"}",
        "{\"id\": \"p1\", \"method\": \"GET\", \"raw_body\": \"ping\", \"received_at\": \"" + received(7200)
            + "\", \"delivered_at\": \"" + received(7199) + "\"}",
    };
}

} // namespace

// The Activity screen and the payload inspector in a light and a dark scheme, for a person to look at.
class ActivityScreenshotTest : public QObject {
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
            shell.start(true);
            MainWindow window(shell.state());
            shell.state().setSidebarSelection(SidebarSelection{SidebarSelection::Kind::activity, {}});
            test::saveScreenshot(window, "activity/empty");
        }
        test::SessionFixture shell;
        shell.script(
            {test::SessionFixture::listener("l1", "Deploys"), test::SessionFixture::listener("l2", "Payments")},
            webhooks(), {});
        shell.start(true);
        QTRY_COMPARE(shell.state().activity().size(), 3U);
        MainWindow window(shell.state());
        shell.state().setSidebarSelection(SidebarSelection{SidebarSelection::Kind::activity, {}});
        test::saveScreenshot(window, "activity/events");

        PayloadInspector embedded(
            shell.state(), shell.state().activity().front(), PayloadInspector::Presentation::embedded);
        embedded.resize(620, 640);
        test::saveScreenshot(embedded, "inspector/embedded");
        PayloadInspectorSheet sheet(shell.state(), shell.state().activity().front(), &window);
        sheet.adjustSize();
        test::saveScreenshot(sheet, "inspector/sheet");
    }
};

CORVANE_TEST(ActivityScreenshotTest)

} // namespace corvane

#include "ActivityScreenshotTest.moc"
