#include "ui/inspector/PayloadTreeView.h"
#include "support/Appearance.h"
#include "support/JsonLiteral.h"
#include "support/Screenshots.h"
#include "support/TestRegistry.h"
#include "ui/components/GrowingTextField.h"
#include "ui/inspector/PayloadRow.h"
#include "ui/inspector/PayloadTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace corvane {

class PayloadTreeViewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(test::defaultFont()); }
    void cleanupTestCase() { QApplication::setPalette(QPalette()); }

    void init()
    {
        m_view = std::make_unique<PayloadTreeView>();
        m_view->setPayload(*Payload::fromJson(test::json(R"({"id": "p1", "method": "POST", "received_at": "",
            "headers": {"Content-Type": "application/json", "User-Agent": "GitHub-Hookshot/8f3c2d1"},
            "query": {"source": "ci"},
            "body": {"action": "opened", "number": 42, "draft": false,
                     "pull_request": {"title": "Retry webhook deliveries with exponential back-off and jitter",
                                      "labels": ["backend", "reliability", "ci"], "merged_at": null},
                     "repository": {"full_name": "corvane/relay", "private": true}}})")));
        m_view->resize(512, 422);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void rows_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("container");
        QTest::newRow("object") << "body.repository" << "repository: { 2 keys }" << true;
        QTest::newRow("array") << "body.pull_request.labels" << "labels: [ 3 items ]" << true;
        QTest::newRow("scalar") << "body.action" << "action: opened" << false;
        QTest::newRow("null") << "body.pull_request.merged_at" << "merged_at: " << false;
    }
    void rows()
    {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        QFETCH(bool, container);
        const QModelIndex index = find(path);
        QCOMPARE(index.data(Qt::AccessibleTextRole).toString(), shown);
        const auto parts = PayloadRow::layout(m_view->visualRect(index), index);
        QCOMPARE(parts.titleChip.isEmpty() && parts.bodyChip.isEmpty(), container);
    }

    // A chip's click, and the context menu on the current row, hand its path on.
    void chipsAndMenuHandPathsOn()
    {
        QSignalSpy titles(m_view.get(), &PayloadTreeView::addToTitleRequested);
        QSignalSpy bodies(m_view.get(), &PayloadTreeView::addToBodyRequested);
        const QModelIndex index = find("body.action");
        const auto parts = PayloadRow::layout(m_view->visualRect(index), index);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, parts.titleChip.center());
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, parts.bodyChip.center());
        QCOMPARE(titles.value(0).value(0).toString(), QString("body.action"));
        QCOMPARE(bodies.value(0).value(0).toString(), QString("body.action"));

        m_view->setCurrentIndex(find("body.repository"));
        QVERIFY(!m_view->mapToBodyAction()->isEnabled());
        m_view->setCurrentIndex(find("query.source"));
        QContextMenuEvent request(QContextMenuEvent::Keyboard, {}, {});
        QApplication::sendEvent(m_view.get(), &request);
        auto* menu = m_view->findChild<QMenu*>();
        QVERIFY(menu != nullptr);
        menu->actions().at(1)->trigger();
        QCOMPARE(bodies.value(1).value(0).toString(), QString("query.source"));
        QCOMPARE(titles.size(), 1);
    }

    void buildsNoWidgetPerRow()
    {
        auto big = test::json(R"({"id": "p2", "method": "POST", "received_at": "", "body": {"rows": []}})");
        for (int row = 0; row < 9'999; ++row) {
            big["body"]["rows"].push_back(row);
        }
        m_view->setPayload(*Payload::fromJson(big));
        while (m_view->model()->canFetchMore({})) {
            m_view->model()->fetchMore({});
        }
        QCOMPARE(m_view->model()->rowCount(), 10'001);
        m_view->scrollToBottom();
        QApplication::processEvents();
        QCOMPARE_LT(m_view->findChildren<QWidget*>().size(), 10);
    }

    // Rows are made as the view scrolls to them; a long value shows cut, and "Copy Value" gives it whole.
    void largePayloadsShowInPart()
    {
        auto keys = nlohmann::json::object();
        for (int key = 0; key < 200'000; ++key) {
            keys["k" + std::to_string(key)] = key;
        }
        const std::string text(9 << 20, 'v');
        m_view->setPayload(*Payload::fromJson(
            {{"id", "p3"}, {"method", "POST"}, {"received_at", ""}, {"body", {{"keys", keys}, {"text", text}}}}));
        auto* model = m_view->treeModel();
        QCOMPARE(model->rowCount(), PayloadTreeModel::batchRows);
        m_view->scrollToBottom();
        QTRY_VERIFY(model->rowCount() > PayloadTreeModel::batchRows);
        QCOMPARE_LT(model->rowCount(), 10 * PayloadTreeModel::batchRows);

        QVERIFY(!find("body.text").isValid());
        while (model->canFetchMore({})) {
            model->fetchMore({});
        }
        QCOMPARE(model->rowCount(), 200'003);
        m_view->setCurrentIndex(find("body.text"));
        QCOMPARE_LT(m_view->currentIndex().data().toString().size(), 1100);
        QApplication::clipboard()->clear();
        m_view->copyValueAction()->trigger();
        QTRY_COMPARE(QApplication::clipboard()->text().size(), text.size());
        QVERIFY(QApplication::clipboard()->text() == QString::fromStdString(text));
    }

    // Inside a page a view takes the wheel while it can scroll that way; at its end, or with nothing to
    // scroll, the page scrolls instead.
    void wheelGoesToThePageAtTheEnd()
    {
        PayloadTreeView* tree = m_view.release();
        tree->setFixedHeight(200);
        auto* field = new GrowingTextField(4);
        auto* content = new QWidget;
        auto* column = new QVBoxLayout(content);
        column->addSpacing(800);
        column->addWidget(field);
        column->addWidget(tree);
        column->addSpacing(800);
        QScrollArea page;
        page.setWidget(content);
        page.resize(400, 400);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.ensureWidgetVisible(tree);
        const auto pageMoves = [&page](const QAbstractScrollArea* inner, int angle) {
            const int before = page.verticalScrollBar()->value();
            QWheelEvent wheel({10, 10}, inner->viewport()->mapToGlobal(QPointF(10, 10)), {}, {0, angle}, Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(inner->viewport(), &wheel);
            return page.verticalScrollBar()->value() != before;
        };
        QVERIFY(pageMoves(field, -120));
        QVERIFY(pageMoves(tree, 120));
        QVERIFY(!pageMoves(tree, -120) && tree->verticalScrollBar()->value() > 0);
    }

    // Not a check: renders a hovered row, light and dark, for a person to look at.
    void screenshot_data() { test::addSchemes(); }
    void screenshot()
    {
        test::applyScheme();
        QTest::mouseMove(m_view->viewport(), m_view->visualRect(find("body.pull_request.title")).center());
        QApplication::processEvents();
        test::saveScreenshot(*m_view, "tree-hovered");
    }

private:
    QModelIndex find(const QString& path) const
    {
        const auto matches = m_view->model()->match(
            m_view->model()->index(0, 0), PayloadTreeModel::pathRole, path, 1, Qt::MatchExactly);
        return matches.value(0);
    }

    std::unique_ptr<PayloadTreeView> m_view;
};

CORVANE_TEST(PayloadTreeViewTest)

} // namespace corvane

#include "PayloadTreeViewTest.moc"
