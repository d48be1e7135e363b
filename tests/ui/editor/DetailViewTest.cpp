#include "ui/editor/DetailView.h"
#include "ShellFixture.h"
#include "support/HeadlessSession.h"
#include "support/TestRegistry.h"
#include "ui/components/BannerPreview.h"
#include "ui/components/StyledLabel.h"
#include "ui/editor/TemplateBuilder.h"
#include "ui/inspector/PayloadTreeModel.h"
#include "ui/inspector/PayloadTreeView.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <nlohmann/json.hpp>
#include <qcoro/qcorotask.h>

#include <algorithm>

namespace corvane {
namespace {

QByteArray listenerJson(const QByteArray& id, const QByteArray& name, const QByteArray& config = "{}")
{
    return "{\"id\": \"" + id + "\", \"listener_token\": \"t\", \"name\": \"" + name
        + "\", \"is_enabled\": true, \"notification_config\": " + config
        + ", \"created_at\": \"c\", \"updated_at\": \"u\", \"hook_path\": \"/h/" + id + "\"}";
}

QByteArray webhook(const QByteArray& id, const QByteArray& action)
{
    return "{\"id\": \"" + id
        + "\", \"listener_id\": \"l1\", \"listener_name\": \"Deploys\", \"method\": \"POST\", \"body\": {\"action\": \""
        + action + "\"}, \"received_at\": \"2026-01-01T00:00:00.000Z\"}";
}

QByteArray recentAnswer(const QList<QByteArray>& webhooks)
{
    return test::ScriptedHttpServer::response(
        200, "{\"webhooks\": [" + webhooks.join(',') + "], \"count\": " + QByteArray::number(webhooks.size()) + "}");
}

bool requested(test::ScriptedHttpServer& relay, const QByteArray& method, const QByteArray& target)
{
    return std::ranges::any_of(
        relay.requests(), [&](const auto& request) { return request.method == method && request.target == target; });
}

QString treeValue(const PayloadTreeView& tree, const QString& path)
{
    const PayloadTreeModel& model = *tree.treeModel();
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, 0);
        if (model.data(index, PayloadTreeModel::pathRole).toString() == path) {
            return model.data(index).toString();
        }
    }
    return {};
}

} // namespace

// The listener editor against the real AppState and a scripted relay.
class DetailViewTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void saveSendsTextsAsTyped_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::newRow("spaces are sent") << "   ";
        QTest::newRow("empty is left out") << "";
    }
    void saveSendsTextsAsTyped()
    {
        QFETCH(QString, filter);
        test::ShellFixture shell;
        const QByteArray stored = listenerJson("l1", "Deploys", R"({"filter": "$.body.action"})");
        shell.script({stored}, {}, {});
        shell.relay().script("/webhooks/listener/l1/recent?limit=10", recentAnswer({}));
        shell.relay().script("/listeners/l1", test::ScriptedHttpServer::response(200, stored));
        shell.start(true);
        DetailView view(shell.state(), "l1");
        view.show();
        QVERIFY(!view.saveButton()->isEnabled());
        view.filterField()->setText(filter);
        QVERIFY(view.saveButton()->isEnabled());
        view.saveButton()->click();
        QTRY_VERIFY(requested(shell.relay(), "PATCH", "/listeners/l1"));

        const auto patch = std::ranges::find_if(
            shell.relay().requests(), [](const auto& request) { return request.method == "PATCH"; });
        const auto sent = nlohmann::json::parse(patch->body.toStdString());
        const auto& config = sent.at("notification_config");
        QCOMPARE(config.contains("filter"), !filter.isEmpty());
        if (!filter.isEmpty()) {
            QCOMPARE(QString::fromStdString(config.at("filter").get<std::string>()), filter);
        }
        QVERIFY(!config.contains("title"));
        QVERIFY(config.at("sound") == "Glass");
        QVERIFY(sent.at("name") == "Deploys");
        QVERIFY(sent.at("is_enabled") == true);
    }

    void fromMenuChangesTheTreeNotThePreview()
    {
        test::ShellFixture shell;
        shell.script({listenerJson("l1", "Deploys", R"({"title": "{{body.action}}"})")}, {}, {});
        shell.relay().script(
            "/webhooks/listener/l1/recent?limit=10", recentAnswer({webhook("p2", "newest"), webhook("p1", "older")}));
        shell.start(true);
        DetailView view(shell.state(), "l1");
        view.show();
        QTRY_COMPARE(view.recent().size(), 2U);
        PayloadTreeView& tree = *view.builder()->tree();
        QCOMPARE(treeValue(tree, "body.action"), "newest");
        QCOMPARE(view.preview()->title(), "newest");

        view.builder()->sourceButton()->menu()->actions().at(1)->trigger();
        QTRY_COMPARE(treeValue(tree, "body.action"), "older");
        QCOMPARE(view.preview()->title(), "newest");
    }

    void listChangesKeepTheEdits_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QList<QByteArray>>("later");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("draftName");
        QTest::newRow("listener vanishes") << QByteArray("l1") << QList<QByteArray>{} << false << false << "Deploys";
        QTest::newRow("renamed by a cycle")
            << QByteArray("l1") << QList<QByteArray>{listenerJson("l1", "Renamed")} << true << true << "Deploys";
        QTest::newRow("listed only later")
            << QByteArray("l2") << QList<QByteArray>{listenerJson("l1", "Deploys"), listenerJson("l2", "Payments")}
            << true << true << "";
    }
    void listChangesKeepTheEdits()
    {
        QFETCH(QByteArray, id);
        QFETCH(QList<QByteArray>, later);
        QFETCH(bool, found);
        QFETCH(bool, changed);
        QFETCH(QString, draftName);
        test::ShellFixture shell;
        shell.script({listenerJson("l1", "Deploys")}, {}, {});
        for (const QByteArray& listed : {QByteArray("l1"), QByteArray("l2")}) {
            shell.relay().script("/webhooks/listener/" + listed + "/recent?limit=10", recentAnswer({}));
        }
        shell.start(true);
        DetailView view(shell.state(), QString::fromLatin1(id));
        view.show();
        const bool listed = shell.state().listener(view.listenerId()).has_value();
        QCOMPARE(view.showsNotFound(), !listed);
        if (listed) {
            QTRY_VERIFY(requested(shell.relay(), "GET", "/webhooks/listener/" + id + "/recent?limit=10"));
            view.titleField()->setText("{{body.action}}");
        } else {
            QCOMPARE(view.draft(), ListenerDraft{});
        }

        shell.script(later, {}, {});
        QCoro::waitFor(shell.state().refreshListeners());
        QCOMPARE(view.showsNotFound(), !found);
        QCOMPARE(view.hasChanges(), changed);
        QCOMPARE(view.unsavedLabel()->isVisibleTo(&view), changed);
        QCOMPARE(view.revertButton()->isVisibleTo(&view), changed);
        QCOMPARE(view.draft().name, draftName);
        QCOMPARE(view.draft().title, listed ? "{{body.action}}" : "");
        QCOMPARE(requested(shell.relay(), "GET", "/webhooks/listener/" + id + "/recent?limit=10"), listed);
        if (found) {
            view.revertButton()->click();
            QCOMPARE(view.draft(), ListenerDraft::from(*view.listener()));
            QVERIFY(!view.saveButton()->isEnabled());
        }
    }
};

CORVANE_TEST(DetailViewTest)

} // namespace corvane

#include "DetailViewTest.moc"
