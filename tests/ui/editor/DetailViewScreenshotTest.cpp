#include "support/HeadlessSession.h"
#include "support/Screenshots.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/editor/DetailView.h"
#include "ui/shell/MainWindow.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QTest>

namespace corvane {

// The listener editor in a light and a dark scheme, for a person to look at: in the window, and whole.
class DetailViewScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CORVANE_REQUIRE_HEADLESS_SESSION(); }
    void cleanupTestCase() { QApplication::setPalette(QPalette()); }

    void screens_data() { test::addSchemes(); }
    void screens()
    {
        test::applyScheme();
        for (const int count : {0, 3}) {
            QList<QByteArray> webhooks;
            for (int number = count; number > 0; --number) {
                const QString at = QDateTime::currentDateTimeUtc()
                                       .addSecs(-42 * (1 + 20 * (count - number)))
                                       .toString(Qt::ISODateWithMs);
                webhooks << QStringLiteral(
                    R"({"id": "p%1", "method": "POST", "headers": {"X-GitHub-Event": "deployment"}, )"
                    R"("body": {"deployment": {"id": 480%1, "ref": "main"}, "state": "success", )"
                    R"("sender": "octo"}, "received_at": "%2", "delivered_at": %3})")
                                .arg(number)
                                .arg(at, number < count ? '"' + at + '"' : "null")
                                .toUtf8();
            }
            test::SessionFixture shell;
            shell.script(
                {test::SessionFixture::listener("l1", "Deploys",
                    R"(, "verification": {"scheme": "github", "mode": "reject", "secret_set": true})",
                    R"({"title": "Deploy {{body.deployment.ref}}", "body": "{{body.state}} by {{body.sender}}", )"
                    R"("filter": "$.body.state", "sound": "Hero"})")},
                {}, {});
            shell.relay().script("/webhooks/listener/l1/recent?limit=10",
                test::ScriptedHttpServer::response(200, "{\"webhooks\": [" + webhooks.join(',') + "], \"count\": 3}"));
            shell.start(true);
            MainWindow window(shell.state());
            shell.state().setSidebarSelection(SidebarSelection::forListener("l1"));
            DetailView whole(shell.state(), "l1");
            whole.resize(720, 1460);
            auto* shown = window.findChild<DetailView*>();
            QTRY_VERIFY(
                std::ssize(shown->recent()) == webhooks.size() && std::ssize(whole.recent()) == webhooks.size());
            const QString name = count > 0 ? "payloads" : "no-payloads";
            test::saveScreenshot(window, "editor/" + name);
            test::saveScreenshot(whole, "editor/" + name + "-whole");
            if (count > 0) {
                shown->titleField()->setText("Deploy {{body.deployment.ref}} {{body.deployment.id}}");
                test::saveScreenshot(window, "editor/unsaved");
            }
        }
    }
};

CORVANE_TEST(DetailViewScreenshotTest)

} // namespace corvane

#include "DetailViewScreenshotTest.moc"
