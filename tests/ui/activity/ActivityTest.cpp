#include "support/HeadlessSession.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/activity/ActivityListModel.h"
#include "ui/activity/ActivityView.h"
#include "ui/components/StyledLabel.h"
#include "ui/inspector/PayloadInspector.h"

#include <QListView>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace corvane {
namespace {

QByteArray webhook(const QByteArray& id, const QByteArray& members = "\"body\": {\"n\": 1}")
{
    return "{\"id\": \"" + id + "\", \"listener_id\": \"l1\", \"listener_name\": \"Deploys\", \"method\": \"POST\", "
        + members + ", \"received_at\": \"2026-01-01T00:00:00.000Z\"}";
}

QList<QByteArray> events(int first, int last)
{
    QList<QByteArray> result;
    for (int number = first; number <= last; ++number) {
        result << webhook("p" + QByteArray::number(number));
    }
    return result;
}

bool shows(const QWidget& parent, const QString& text)
{
    const auto labels = parent.findChildren<QLabel*>();
    return std::ranges::any_of(
        labels, [&](const QLabel* label) { return label->isVisibleTo(&parent) && label->text() == text; });
}

} // namespace

// The Activity screen over the real AppState fed by a scripted relay.
class ActivityTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        m_shell = std::make_unique<test::SessionFixture>();
    }
    void cleanup() { m_shell.reset(); }

    void rows_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<bool>("delivered");
        QTest::newRow("named, pending") << webhook("p1") << "Deploys" << "{\"n\":1}" << false;
        QTest::newRow("unknown listener, delivered, lines")
            << QByteArray("{\"id\": \"p1\", \"method\": \"POST\", \"body\": \"x\\ny\", \"received_at\": \"r\","
                          " \"delivered_at\": \"d\"}")
            << "(unknown listener)" << "x y" << true;
        QTest::newRow("raw body") << webhook("p1", "\"raw_body\": \"a=1\\nb=2\"") << "Deploys" << "a=1\nb=2" << false;
        QTest::newRow("empty raw body") << webhook("p1", "\"raw_body\": \"\"") << "Deploys" << "POST" << false;
        QTest::newRow("nothing") << webhook("p1", "\"headers\": {}") << "Deploys" << "POST" << false;
    }
    void rows()
    {
        QFETCH(QByteArray, payload);
        m_shell->script({}, {payload}, {});
        m_shell->start(true);
        ActivityView view(m_shell->state());
        QFETCH(QString, name);
        QFETCH(QString, summary);
        QFETCH(bool, delivered);
        const QModelIndex row = view.model()->index(0, 0);
        QCOMPARE(row.data(ActivityListModel::listenerNameRole).toString(), name);
        QCOMPARE(row.data(ActivityListModel::summaryRole).toString(), summary);
        QCOMPARE(row.data(ActivityListModel::deliveredRole).toBool(), delivered);
    }

    // Empty at first; cycles then change the list in place. The newest event is chosen only while
    // nothing is: neither a newer event nor an equal list moves the choice, the rows or the scroll
    // position. An event that leaves takes the detail with it but selects nothing else.
    void selectionAcrossCycles()
    {
        m_shell->start(true);
        ActivityView view(m_shell->state());
        view.resize(700, 600);
        view.show();
        QVERIFY(shows(view, "No events yet"));
        QCOMPARE(view.countLabel()->text(), "0");
        QCOMPARE(view.selectedId(), std::nullopt);
        m_shell->script({}, events(2, 40), {});
        cycle();
        QCOMPARE(view.selectedId(), "p2");
        m_shell->script({}, events(1, 40), {});
        cycle();
        QCOMPARE(view.inspector()->payload().id, "p2");
        QCOMPARE(view.countLabel()->text(), "40");

        view.list()->setCurrentIndex(view.model()->index(30, 0));
        QCOMPARE(view.selectedId(), "p31");
        view.list()->verticalScrollBar()->setValue(view.list()->verticalScrollBar()->maximum() / 2);
        const int scrolled = view.list()->verticalScrollBar()->value();
        const QPointer<PayloadInspector> inspector = view.inspector();
        QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserted(view.model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(view.model(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);

        cycle();
        QCOMPARE(view.list()->verticalScrollBar()->value(), scrolled);
        QCOMPARE(view.inspector(), inspector.data());
        QCOMPARE(resets.size() + inserted.size() + removed.size() + changed.size(), 0);

        m_shell->script({}, events(0, 39), {});
        cycle();
        QCOMPARE(resets.size(), 0);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(removed.size(), 1);
        QCOMPARE(view.selectedId(), "p31");
        QCOMPARE(view.list()->currentIndex().row(), 31);
        QCOMPARE(view.inspector(), inspector.data());

        m_shell->script({}, events(0, 20), {});
        cycle();
        QCOMPARE(view.selectedId(), "p31");
        QCOMPARE(view.inspector(), nullptr);
        QVERIFY(view.list()->selectionModel()->selectedIndexes().isEmpty());
        QVERIFY(shows(view, "Select an event to inspect the raw payload"));

        view.list()->setCurrentIndex(view.model()->index(3, 0));
        QCOMPARE(view.inspector()->payload().id, "p3");
    }

private:
    void cycle()
    {
        QSignalSpy cycles(&m_shell->state(), &AppState::activityChanged);
        m_shell->state().startPolling();
        QVERIFY(cycles.wait(10'000));
    }

    std::unique_ptr<test::SessionFixture> m_shell;
};

CORVANE_TEST(ActivityTest)

} // namespace corvane

#include "ActivityTest.moc"
