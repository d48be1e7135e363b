#include "ui/inspector/PayloadTreeView.h"
#include "support/Appearance.h"
#include "support/JsonLiteral.h"
#include "support/TestRegistry.h"
#include "ui/components/Theme.h"
#include "ui/inspector/PayloadRow.h"
#include "ui/inspector/PayloadTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

namespace corvane {

namespace {

Payload payload(const char* json)
{
    return *Payload::fromJson(test::json(json));
}

const char* const sample = R"({"id": "p1", "method": "POST", "received_at": "2026-12-07T04:00:00.000Z",
    "headers": {"X-Id": "7"}, "query": {"page": 2},
    "body": {"action": "opened", "labels": [1, 2, 3], "none": null, "repo": {"id": 9, "name": "corvane"},
             "a": {"b": {"c": "deep"}}}})";

} // namespace

class PayloadTreeViewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(test::defaultFont()); }

    void init()
    {
        m_view = std::make_unique<PayloadTreeView>();
        m_view->resize(520, 400);
        m_view->setPayload(payload(sample));
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void rows_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("container");
        QTest::newRow("object") << "body.repo" << "repo: { 2 keys }" << true;
        QTest::newRow("array") << "body.labels" << "labels: [ 3 items ]" << true;
        QTest::newRow("scalar") << "body.action" << "action: opened" << false;
        QTest::newRow("null") << "body.none" << "none: " << false;
        QTest::newRow("header") << "headers.X-Id" << "X-Id: 7" << false;
    }
    void rows()
    {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        QFETCH(bool, container);
        const QModelIndex index = find(path);
        QCOMPARE(index.data(Qt::AccessibleTextRole).toString(), shown);
        const QRect rect = m_view->visualRect(index);
        const auto parts = PayloadRow::layout(rect, index);
        QCOMPARE(parts.titleChip.isEmpty(), container);
        QCOMPARE(parts.bodyChip.isEmpty(), container);

        // The chevron slot holds ink on container rows only.
        QImage image(rect.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = QRect(QPoint(), rect.size());
        option.palette = m_view->palette();
        m_view->rowDelegate()->paint(&painter, option, index);
        painter.end();
        const QRect slot = PayloadRow::layout(option.rect, index).chevron;
        bool inked = false;
        for (int y = slot.top(); y <= slot.bottom(); ++y) {
            for (int x = slot.left(); x <= slot.right(); ++x) {
                inked = inked || qAlpha(image.pixel(x, y)) > 0;
            }
        }
        QCOMPARE(inked, container);
    }

    void chips_data()
    {
        QTest::addColumn<bool>("title");
        QTest::addColumn<QString>("tooltip");
        QTest::newRow("Title") << true << "Map to Title";
        QTest::newRow("Body") << false << "Map to Body";
    }
    void chips()
    {
        QFETCH(bool, title);
        QFETCH(QString, tooltip);
        QSignalSpy titles(m_view.get(), &PayloadTreeView::addToTitleRequested);
        QSignalSpy bodies(m_view.get(), &PayloadTreeView::addToBodyRequested);
        const QModelIndex index = find("body.action");
        const auto parts = PayloadRow::layout(m_view->visualRect(index), index);
        const QPoint chip = (title ? parts.titleChip : parts.bodyChip).center();
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, chip);
        QCOMPARE((title ? titles : bodies).value(0).value(0).toString(), QString("body.action"));
        QCOMPARE(titles.size() + bodies.size(), 1);

        QHelpEvent help(QEvent::ToolTip, chip, m_view->viewport()->mapToGlobal(chip));
        QApplication::sendEvent(m_view->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), tooltip);
    }

    void indentsTwelvePerLevel()
    {
        const QModelIndex deep = find("body.a.b.c");
        QCOMPARE(deep.data(PayloadTreeModel::depthRole).toInt(), 3);
        const QRect rect = m_view->visualRect(deep);
        QCOMPARE(PayloadRow::layout(rect, deep).chevron.left() - PayloadRow::layout(rect, find("body")).chevron.left(),
            Theme::scaled(36));
    }

    void contextMenuActsOnCurrentRow()
    {
        QSignalSpy bodies(m_view.get(), &PayloadTreeView::addToBodyRequested);
        m_view->setCurrentIndex(find("body.repo"));
        QVERIFY(!m_view->mapToBodyAction()->isEnabled());
        m_view->setCurrentIndex(find("query.page"));
        QContextMenuEvent request(QContextMenuEvent::Keyboard, {}, {});
        QApplication::sendEvent(m_view.get(), &request);
        auto* menu = m_view->findChild<QMenu*>();
        QVERIFY(menu != nullptr);
        QCOMPARE(menu->actions(), (QList<QAction*>{m_view->mapToTitleAction(), m_view->mapToBodyAction()}));
        for (QAction* action : menu->actions()) {
            QVERIFY(action->isEnabled() && !action->shortcut().isEmpty());
        }
        menu->actions().at(1)->trigger();
        QCOMPARE(bodies.value(0).value(0).toString(), QString("query.page"));
    }

    void buildsNoWidgetPerRow()
    {
        auto big = test::json(R"({"id": "p2", "method": "POST", "received_at": "", "body": {"rows": []}})");
        for (int row = 0; row < 9'999; ++row) {
            big["body"]["rows"].push_back(row);
        }
        m_view->setPayload(*Payload::fromJson(big));
        QCOMPARE(m_view->model()->rowCount(), 10'001);
        m_view->scrollToBottom();
        QApplication::processEvents();
        QCOMPARE_LT(m_view->findChildren<QWidget*>().size(), 10);
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
