#include "ui/editor/DetailView.h"
#include "service/AppSettings.h"
#include "support/HeadlessSession.h"
#include "support/JsonLiteral.h"
#include "support/RelaySession.h"
#include "support/Screenshots.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/activity/ActivityListModel.h"
#include "ui/components/BannerPreview.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/ToggleSwitch.h"
#include "ui/components/TransientConfirmation.h"
#include "ui/editor/ListenerDraft.h"
#include "ui/editor/NotificationFields.h"
#include "ui/editor/RecentPayloadList.h"
#include "ui/editor/TemplateBuilder.h"
#include "ui/editor/VerificationFields.h"
#include "ui/inspector/PayloadInspector.h"
#include "ui/inspector/PayloadInspectorSheet.h"
#include "ui/inspector/PayloadTreeModel.h"
#include "ui/inspector/PayloadTreeView.h"
#include "ui/shell/MainWindow.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <nlohmann/json.hpp>
#include <qcoro/qcorotask.h>

Q_DECLARE_METATYPE(corvane::NotificationConfig)
Q_DECLARE_METATYPE(corvane::ListenerDraft)

namespace corvane {
namespace {

QByteArray listenerJson(const QByteArray& id, const QByteArray& name, const QByteArray& config = "{}")
{
    return test::SessionFixture::listener(id, name, "", config);
}

// The relay answers that l1 and l2 have no recent payloads.
void scriptRecent(test::SessionFixture& shell)
{
    for (const QByteArray id : {"l1", "l2"}) {
        shell.relay().script(
            "/webhooks/listener/" + id + "/recent?limit=10", test::SessionFixture::envelope("webhooks", {}));
    }
}

} // namespace

// The working copy and the template tokens the payload tree adds; the listener editor against the
// real AppState and a scripted relay, and a listener edited on a real relay.
class DetailViewTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    // A listener on a real relay, edited in its editor: a value mapped from a captured payload titles the
    // next notification, a filter holds the one after back, and deleting removes it everywhere.
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
        QCOMPARE(view->notificationFields()->titleField()->text(), "{{body.action}}");
        view->saveButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(state.listener(id)->notificationConfig.title, "{{body.action}}", 10'000);

        QCOMPARE(post("deployed"), 202);
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 2, 10'000);
        QCOMPARE(notifications.received().back().summary, "deployed");

        view->notificationFields()->filterField()->setText("$.body.missing");
        view->saveButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(state.listener(id)->notificationConfig.filter, "$.body.missing", 10'000);
        QCOMPARE(post("held back"), 202);
        // Acknowledged: polled, held back by the filter and marked delivered all the same.
        QTRY_VERIFY_WITH_TIMEOUT(state.activity().size() == 3 && state.activity().front().deliveredAt, 10'000);
        QCOMPARE(notifications.received().size(), 2);

        view->deleteButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(state.sidebarSelection(), std::nullopt, 10'000);
        QVERIFY(!state.listener(id) && state.listeners().size() == 1);
        const auto listed = QCoro::waitFor(client.listListeners());
        QVERIFY(listed && listed->size() == 1 && listed->front().name == "Payments");

        session.stopState();
        QCOMPARE(AppState::runningLoops(), 0);
    }

    // A payload that reaches the relay while the editor is open tops its recent list after the next poll
    // cycle; the chosen row stays chosen and the list, reached by Tab, focused; Return opens it as a click does.
    void recentPayloadsFollowThePolls()
    {
        test::SessionFixture shell;
        const auto relayHolds = [&shell](const QList<QByteArray>& payloads) {
            shell.script({listenerJson("l1", "Deploys")}, payloads, {});
            shell.relay().script(
                "/webhooks/listener/l1/recent?limit=10", test::SessionFixture::envelope("webhooks", payloads));
        };
        relayHolds({test::SessionFixture::payload(1, "one")});
        shell.start(true);
        DetailView view(shell.state(), "l1");
        view.show();
        QApplication::setActiveWindow(&view);
        auto* list = view.findChild<RecentPayloadList*>();
        QTRY_COMPARE(list->model()->rowCount(), 1);
        view.builder()->tree()->setFocus();
        QTest::keyClick(view.builder()->tree(), Qt::Key_Tab);
        QVERIFY(list->hasFocus());
        list->setCurrentIndex(list->model()->index(0, 0));
        QVERIFY(list->currentIndex().data(Qt::AccessibleTextRole).toString().startsWith("POST {"));

        relayHolds({test::SessionFixture::payload(2, "two"), test::SessionFixture::payload(1, "one")});
        shell.state().startPolling();
        QTRY_COMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->model()->index(0, 0).data(ActivityListModel::idRole), "p2");
        QCOMPARE(list->currentIndex().row(), 1);
        QVERIFY(list->selectionModel()->isSelected(list->currentIndex()) && list->hasFocus());
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(view.inspectorSheet() && view.inspectorSheet()->inspector()->payload().id == "p1");
    }

    void hasChanges_data()
    {
        QTest::addColumn<NotificationConfig>("stored");
        QTest::addColumn<ListenerDraft>("draft");
        QTest::addColumn<bool>("changed");
        ListenerDraft initial; // empty texts, "Glass", enabled
        initial.name = "Deploys";
        QTest::newRow("absent members") << NotificationConfig{} << initial << false;
        ListenerDraft pinging = initial;
        pinging.sound = "Ping";
        QTest::newRow("absent sound against Ping") << NotificationConfig{} << pinging << true;
        const NotificationConfig set{.title = "t", .body = "b", .filter = "f", .sound = "Ping", .link = "l"};
        const ListenerDraft same{.name = "Deploys",
            .title = "t",
            .body = "b",
            .link = "l",
            .filter = "f",
            .sound = "Ping",
            .isEnabled = true};
        QTest::newRow("set members") << set << same << false;
        for (QString ListenerDraft::* text : {&ListenerDraft::name, &ListenerDraft::title, &ListenerDraft::body,
                 &ListenerDraft::link, &ListenerDraft::filter, &ListenerDraft::sound}) {
            ListenerDraft edited = same;
            edited.*text += ' ';
            QTest::addRow("%s edited", qPrintable(edited.*text)) << set << edited << true;
        }
        ListenerDraft disabled = same;
        disabled.isEnabled = false;
        QTest::newRow("disabled") << set << disabled << true;
    }
    void hasChanges()
    {
        QFETCH(NotificationConfig, stored);
        QFETCH(ListenerDraft, draft);
        QFETCH(bool, changed);
        Listener listener;
        listener.name = "Deploys";
        listener.isEnabled = true;
        listener.notificationConfig = stored;
        QCOMPARE(draft.hasChanges(listener), changed);
        QVERIFY(!draft.hasChanges(std::nullopt));
    }

    // "Saved" confirms a save the relay took, and only such a save; "Copied" confirms Copy URL.
    void saveSendsTextsAsTyped_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("byKeyboard");
        QTest::addColumn<int>("status");
        QTest::newRow("spaces are sent, Ctrl+S") << "   " << true << 200;
        QTest::newRow("empty is left out, button") << "" << false << 200;
        QTest::newRow("refused, Ctrl+S") << "" << true << 500;
    }
    void saveSendsTextsAsTyped()
    {
        QFETCH(QString, filter);
        QFETCH(bool, byKeyboard);
        QFETCH(int, status);
        test::SessionFixture shell;
        const QByteArray stored = listenerJson("l1", "Deploys", R"({"filter": "$.body.action"})");
        shell.script({stored}, {}, {});
        scriptRecent(shell);
        shell.relay().script("/listeners/l1", test::ScriptedHttpServer::response(status, stored));
        shell.start(true);
        DetailView view(shell.state(), "l1");
        view.show();
        QApplication::setActiveWindow(&view);
        view.copyButton()->click();
        auto* copied = view.findChild<TransientConfirmation*>("copiedConfirmation");
        QVERIFY(copied->isVisible() && QGuiApplication::clipboard()->text() == view.endpointURL());
        QCOMPARE(QAccessible::queryAccessibleInterface(copied)->role(), QAccessible::Notification);
        QVERIFY(!view.saveButton()->isEnabled());
        view.notificationFields()->filterField()->setText(filter);
        if (byKeyboard) {
            QTest::keyClick(view.notificationFields()->filterField(), Qt::Key_S, Qt::ControlModifier);
        } else {
            view.saveButton()->click();
        }
        QTRY_VERIFY(shell.sent("PATCH", "/listeners/l1"));
        const auto* saved = view.findChild<TransientConfirmation*>("savedConfirmation");
        QTRY_VERIFY(saved->isVisible() || shell.state().lastError());
        QCOMPARE(saved->isVisible(), status == 200);

        const auto body = nlohmann::json::parse(shell.sent("PATCH", "/listeners/l1")->body.toStdString());
        const auto& config = body.at("notification_config");
        QCOMPARE(config.contains("filter"), !filter.isEmpty());
        QVERIFY(filter.isEmpty() || config.at("filter") == filter.toStdString());
        QVERIFY(!config.contains("title") && config.at("sound") == "Glass");
        QVERIFY(body.at("name") == "Deploys" && body.at("is_enabled") == true);
    }

    void listChangesKeepTheEdits_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QList<QByteArray>>("later");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("draftName");
        QTest::newRow("listener vanishes") << "l1" << QList<QByteArray>{} << false << "Deploys";
        QTest::newRow("renamed by a cycle") << "l1" << QList{listenerJson("l1", "Renamed")} << true << "Deploys";
        QTest::newRow("listed only later") << "l2" << QList{listenerJson("l2", "Payments")} << true << "";
    }
    void listChangesKeepTheEdits()
    {
        QFETCH(QString, id);
        QFETCH(QList<QByteArray>, later);
        QFETCH(bool, changed);
        QFETCH(QString, draftName);
        test::SessionFixture shell;
        shell.script({listenerJson("l1", "Deploys")}, {}, {});
        scriptRecent(shell);
        shell.start(true);
        DetailView view(shell.state(), id);
        view.show();
        const bool listed = shell.state().listener(id).has_value();
        const QByteArray recent = "/webhooks/listener/" + id.toLatin1() + "/recent?limit=10";
        QCOMPARE(view.showsNotFound(), !listed);
        if (listed) {
            QTRY_VERIFY(shell.sent("GET", recent));
            view.notificationFields()->titleField()->setText("{{body.action}}");
        } else {
            QCOMPARE(view.draft(), ListenerDraft{});
        }

        shell.script(later, {}, {});
        QCoro::waitFor(shell.state().refreshListeners());
        QCOMPARE(view.showsNotFound(), later.isEmpty());
        QCOMPARE(view.hasChanges(), changed);
        QCOMPARE(view.unsavedLabel()->isVisibleTo(&view), changed);
        QCOMPARE(view.draft().name, draftName);
        QCOMPARE(view.draft().title, listed ? "{{body.action}}" : "");
        QCOMPARE(shell.sent("GET", recent) != nullptr, listed);
        if (!later.isEmpty()) {
            view.revertButton()->click();
            QCOMPARE(view.draft(), ListenerDraft::from(*view.listener()));
            QVERIFY(!view.saveButton()->isEnabled());
        }
    }

    // The Verification card: what Save sends of the signature check, and what it refuses to send.
    void saveSendsTheVerification_data()
    {
        QTest::addColumn<QString>("stored"); // the listener's verification member; empty: none
        QTest::addColumn<QString>("scheme"); // chosen; empty: None
        QTest::addColumn<QString>("secret"); // typed
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("expected"); // the PATCH's verification member, or "blocked"
        const QString github = R"({"scheme": "github", "mode": "mark", "secret_set": true})";
        QTest::newRow("new scheme with its secret")
            << "" << "github" << "s3cret" << "" << R"({"scheme": "github", "mode": "reject", "secret": "s3cret"})";
        QTest::newRow("mode only keeps the stored secret")
            << github << "github" << "" << "" << R"({"scheme": "github", "mode": "reject"})";
        QTest::newRow("None removes the check") << github << "" << "" << "" << "null";
        QTest::newRow("custom hmac") << "" << "hmac" << "k" << "X-Sig"
                                     << R"({"scheme": "hmac", "mode": "reject", "secret": "k", "header": "X-Sig",
                                           "algorithm": "sha256", "encoding": "hex", "prefix": ""})";
        QTest::newRow("another scheme needs a secret") << github << "stripe" << "" << "" << "blocked";
        QTest::newRow("hmac needs its header") << "" << "hmac" << "k" << "" << "blocked";
    }
    void saveSendsTheVerification()
    {
        QFETCH(QString, stored);
        QFETCH(QString, scheme);
        QFETCH(QString, secret);
        QFETCH(QString, header);
        QFETCH(QString, expected);
        const auto listener = [](const QString& verification) {
            return test::SessionFixture::listener(
                "l1", "Deploys", verification.isEmpty() ? "" : ", \"verification\": " + verification.toUtf8());
        };
        test::SessionFixture shell;
        shell.script({listener(stored)}, {}, {});
        scriptRecent(shell);
        nlohmann::json answered = expected.startsWith('{') ? test::json(expected) : nlohmann::json::object();
        answered.erase("secret");
        answered["secret_set"] = true;
        shell.relay().script("/listeners/l1",
            test::ScriptedHttpServer::response(
                200, listener(expected == "null" ? "" : QString::fromStdString(answered.dump()))));
        shell.start(true);
        DetailView view(shell.state(), "l1");
        const VerificationFields& fields = *view.verificationFields();

        fields.schemePicker()->setCurrentIndex(fields.schemePicker()->findData(scheme));
        fields.secretField()->setText(secret);
        fields.rejectSwitch()->setChecked(true);
        fields.headerField()->setText(header);
        if (expected == "blocked") {
            QVERIFY(!view.saveButton()->isEnabled() && fields.problemLabel()->isVisibleTo(&view));
            view.revertButton()->click();
            QCOMPARE(view.draft(), ListenerDraft::from(*view.listener()));
            QCOMPARE(fields.schemePicker()->currentData().toString(), stored.isEmpty() ? "" : "github");
            return;
        }
        view.saveButton()->click();
        QTRY_VERIFY(shell.sent("PATCH", "/listeners/l1"));
        QCOMPARE(test::json(shell.sent("PATCH", "/listeners/l1")->body.toStdString()).at("verification"),
            test::json(expected));
        QTRY_VERIFY(!view.saveButton()->isEnabled());
        QVERIFY(fields.secretField()->text().isEmpty());
    }

    // The editor in the window, and whole, light and dark, for a person to look at.
    void screenshots_data() { test::addSchemes(); }
    void screenshots()
    {
        test::applyScheme();
        QList<QByteArray> webhooks;
        for (int number = 3; number > 0; --number) {
            const QString at
                = QDateTime::currentDateTimeUtc().addSecs(-42 * (1 + 20 * (3 - number))).toString(Qt::ISODateWithMs);
            webhooks << QStringLiteral(
                R"({"id": "p%1", "method": "POST", "headers": {"X-GitHub-Event": "deployment"}, )"
                R"("body": {"deployment": {"id": 480%1, "ref": "main"}, "state": "success", )"
                R"("sender": "octo"}, "received_at": "%2", "delivered_at": %3})")
                            .arg(number)
                            .arg(at, number < 3 ? '"' + at + '"' : "null")
                            .toUtf8();
        }
        test::SessionFixture shell;
        shell.script({test::SessionFixture::listener("l1", "Deploys",
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
        QTRY_VERIFY(shown->recent().size() == 3 && whole.recent().size() == 3);
        test::saveScreenshot(window, "editor/payloads");
        test::saveScreenshot(whole, "editor/payloads-whole");
        shown->notificationFields()->titleField()->setText("Deploy {{body.deployment.ref}} {{body.deployment.id}}");
        test::saveScreenshot(window, "editor/unsaved");
        // The age of the payload built from counts on by itself.
        const QString from = shown->builder()->sourceButton()->text();
        QTRY_VERIFY(shown->builder()->sourceButton()->text() != from);
        QApplication::setPalette(QPalette());
    }
};

CORVANE_TEST(DetailViewTest)

} // namespace corvane

#include "DetailViewTest.moc"
