#include "auth/AuthCoordinator.h"
#include "core/AppState.h"
#include "core/Notifier.h"
#include "platform/SecretServiceStore.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"
#include "support/FakeNotificationServer.h"
#include "support/FakeWebAuthenticationSession.h"
#include "support/HeadlessSession.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"
#include "ui/editor/DetailView.h"
#include "ui/editor/TemplateBuilder.h"
#include "ui/inspector/PayloadTreeModel.h"
#include "ui/inspector/PayloadTreeView.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/Sidebar.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace corvane {

// A listener on a real relay, edited in its editor: a value mapped from a captured payload titles the
// next notification, a filter holds the one after back, and deleting removes it everywhere.
class DetailViewEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void editedListenerShapesTheNextNotifications()
    {
        test::RelayProcess relay({"API_TOKEN=editor-owner-static-key"});
        QVERIFY(relay.start());
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
        AppSettings::setServiceURL(QStringLiteral("http://127.0.0.1:%1").arg(relay.port()));
        AppSettings::setPollIntervalMs(500);
        QTemporaryDir folder;
        SecretServiceStore secrets(10s, folder.filePath("fallback"));
        QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(secrets, "editor-owner-static-key")));
        QNetworkAccessManager network;
        ServiceClient client(network, secrets);
        const auto created = QCoro::waitFor(client.createListener("Deploys", {}));
        QVERIFY(created && QCoro::waitFor(client.createListener("Payments", {})));
        const QString id = QString::fromStdString(created->id);
        const QString hook = QString::fromStdString(created->hookPath);

        test::FakeNotificationServer notifications;
        Notifier notifier(QDBusConnection::sessionBus(), "/sounds");
        test::FakeWebAuthenticationSession browser;
        AuthCoordinator auth(client, secrets, browser);
        auto running = std::make_unique<AppState>(client, secrets, auth, notifier, true, std::nullopt);
        AppState& state = *running;
        test::RelayClient sender(relay);
        const auto post = [&](const QByteArray& action) {
            return sender.send("POST", hook, "{\"action\": \"" + action + "\"}", {{"Content-Type", "application/json"}})
                .status;
        };
        QCOMPARE(post("opened"), 202);
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 1, 10'000);

        MainWindow window(state);
        const QListWidget& sidebar = *window.findChild<Sidebar*>()->list();
        const auto sidebarNames = [&] {
            QStringList names;
            for (int row = 0; row < sidebar.count(); ++row) {
                names << sidebar.item(row)->data(Qt::AccessibleTextRole).toString().section(',', 0, 0);
            }
            return names;
        };
        window.show();
        state.setSidebarSelection(SidebarSelection::forListener(id));
        auto* view = window.findChild<DetailView*>();
        QCOMPARE(view->endpointURL(), AppSettings::serviceURL() + hook);
        QTRY_COMPARE_WITH_TIMEOUT(view->recent().size(), 1U, 10'000);
        PayloadTreeView& tree = *view->builder()->tree();
        const auto rows = tree.treeModel()->match(
            tree.treeModel()->index(0, 0), PayloadTreeModel::pathRole, "body.action", 1, Qt::MatchExactly);
        tree.setCurrentIndex(rows.value(0));
        tree.mapToTitleAction()->trigger();
        QCOMPARE(view->titleField()->text(), "{{body.action}}");
        view->saveButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(state.listener(id)->notificationConfig.title, "{{body.action}}", 10'000);

        QCOMPARE(post("deployed"), 202);
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 2, 10'000);
        QCOMPARE(notifications.received().back().summary, "deployed");

        view->filterField()->setText("$.body.missing");
        view->saveButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(state.listener(id)->notificationConfig.filter, "$.body.missing", 10'000);
        QCOMPARE(post("held back"), 202);
        // Acknowledged: polled, held back by the filter and marked delivered all the same.
        QTRY_VERIFY_WITH_TIMEOUT(state.activity().size() == 3 && state.activity().front().deliveredAt, 10'000);
        QCOMPARE(notifications.received().size(), 2);

        QVERIFY(sidebarNames().contains("Deploys") && sidebarNames().contains("Payments"));
        view->deleteButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(state.sidebarSelection(), std::nullopt, 10'000);
        QVERIFY(!sidebarNames().contains("Deploys") && sidebarNames().contains("Payments"));
        const auto listed = QCoro::waitFor(client.listListeners());
        QVERIFY(listed && listed->size() == 1 && listed->front().name == "Payments");

        running.reset();
        QTRY_COMPARE(AppState::runningLoops(), 0);
    }
};

CORVANE_TEST(DetailViewEndToEndTest)

} // namespace corvane

#include "DetailViewEndToEndTest.moc"
