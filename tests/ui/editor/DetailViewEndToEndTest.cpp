#include "service/AppSettings.h"
#include "support/HeadlessSession.h"
#include "support/RelaySession.h"
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
#include <QPushButton>
#include <QTest>

#include <qcoro/qcorotask.h>

namespace corvane {

// A listener on a real relay, edited in its editor: a value mapped from a captured payload titles the
// next notification, a filter holds the one after back, and deleting removes it everywhere.
class DetailViewEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void editedListenerShapesTheNextNotifications()
    {
        test::RelaySession session("editor-owner-static-key");
        QVERIFY(session.start());
        ServiceClient& client = session.client();
        const auto created = QCoro::waitFor(client.createListener("Deploys", {}));
        QVERIFY(created && QCoro::waitFor(client.createListener("Payments", {})));
        const QString id = QString::fromStdString(created->id);
        const QString hook = QString::fromStdString(created->hookPath);
        AppState& state = session.startState();
        const auto& notifications = session.notifications();
        const auto post
            = [&](const QByteArray& action) { return session.post(hook, R"({"action": ")" + action + R"("})"); };
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

        session.stopState();
        QCOMPARE(AppState::runningLoops(), 0);
    }
};

CORVANE_TEST(DetailViewEndToEndTest)

} // namespace corvane

#include "DetailViewEndToEndTest.moc"
