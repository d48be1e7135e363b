#include "ShellFixture.h"
#include "support/Appearance.h"
#include "support/HeadlessSession.h"
#include "support/Screenshots.h"
#include "support/TestRegistry.h"
#include "ui/editor/DetailView.h"
#include "ui/shell/MainWindow.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QTest>

namespace corvane {
namespace {

QByteArray received(int secondsAgo)
{
    return QDateTime::currentDateTimeUtc().addSecs(-secondsAgo).toString(Qt::ISODateWithMs).toUtf8();
}

QByteArray deploys()
{
    return R"({"id": "l1", "listener_token": "t", "name": "Deploys", "is_enabled": true, )"
           R"("notification_config": {"title": "Deploy {{body.deployment.ref}}", "body": "{{body.state}} by {{body.sender}}", )"
           R"("filter": "$.body.state", "sound": "Hero"}, "created_at": "c", "updated_at": "u", )"
           R"("hook_path": "/h/4f1c9a2e7b"})";
}

QByteArray webhook(int number, const QByteArray& state, int secondsAgo, bool delivered)
{
    return "{\"id\": \"p" + QByteArray::number(number)
        + "\", \"listener_id\": \"l1\", \"listener_name\": \"Deploys\", \"method\": \"POST\", "
          "\"headers\": {\"Content-Type\": \"application/json\", \"X-GitHub-Event\": \"deployment_status\"}, "
          "\"body\": {\"deployment\": {\"id\": "
        + QByteArray::number(4800 + number) + ", \"ref\": \"main\"}, \"state\": \"" + state
        + "\", \"sender\": \"octo\"}, \"received_at\": \"" + received(secondsAgo) + "\""
        + (delivered ? ", \"delivered_at\": \"" + received(secondsAgo - 1) + "\"" : QByteArray()) + "}";
}

} // namespace

// The listener editor in a light and a dark scheme, for a person to look at.
class DetailViewScreenshotTest : public QObject {
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
        for (const bool withPayloads : {false, true}) {
            test::ShellFixture shell;
            shell.script({deploys()}, {}, {});
            const QList<QByteArray> recent = withPayloads
                ? QList<QByteArray>{webhook(3, "success", 42, false), webhook(2, "failure", 900, true),
                      webhook(1, "pending", 7200, true)}
                : QList<QByteArray>{};
            shell.relay().script("/webhooks/listener/l1/recent?limit=10",
                test::ScriptedHttpServer::response(200, "{\"webhooks\": [" + recent.join(',') + "], \"count\": 0}"));
            shell.start(true);
            MainWindow window(shell.state());
            shell.state().setSidebarSelection(SidebarSelection::forListener("l1"));
            auto* view = window.findChild<DetailView*>();
            QVERIFY(view);
            QTRY_COMPARE(view->recent().size(), static_cast<std::size_t>(recent.size()));
            const QString name = withPayloads ? "payloads" : "no-payloads";
            save(window, name, scheme);

            DetailView full(shell.state(), "l1");
            full.resize(720, 1500);
            QTRY_COMPARE(full.recent().size(), static_cast<std::size_t>(recent.size()));
            save(full, name + "-full", scheme);
            if (withPayloads) {
                view->titleField()->setText("Deploy {{body.deployment.ref}} {{body.deployment.id}}");
                save(window, "unsaved", scheme);
            }
        }
    }

private:
    static void save(QWidget& widget, const QString& name, const QString& scheme)
    {
        const QString file = QStringLiteral("%1/editor/%2-%3.png")
                                 .arg(test::screenshotFolder(QStringLiteral(CORVANE_SCREENSHOTS_FOLDER)), name, scheme);
        QVERIFY2(test::saveScreenshot(widget, file), qPrintable(file));
    }
};

CORVANE_TEST(DetailViewScreenshotTest)

} // namespace corvane

#include "DetailViewScreenshotTest.moc"
