#include "support/HeadlessSession.h"
#include "support/RelaySession.h"
#include "support/Screenshots.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/activity/ActivityListModel.h"
#include "ui/activity/ActivityRowDelegate.h"
#include "ui/activity/ActivityView.h"
#include "ui/components/RelativeTimeTicker.h"
#include "ui/components/StatusPill.h"
#include "ui/components/StyledLabel.h"
#include "ui/inspector/PayloadBodyText.h"
#include "ui/inspector/PayloadInspector.h"
#include "ui/inspector/PayloadInspectorSheet.h"
#include "ui/shell/MainWindow.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <qcoro/qcorotask.h>

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

// Three events, of two listeners and of none, for the screenshots.
QList<QByteArray> screenshotEvents()
{
    const auto at = [](int secondsAgo) {
        return QDateTime::currentDateTimeUtc().addSecs(-secondsAgo).toString(Qt::ISODateWithMs).toUtf8();
    };
    return {
        "{\"id\": \"p3\", \"listener_id\": \"l1\", \"listener_name\": \"Deploys\", \"method\": \"POST\", "
        "\"headers\": {\"Content-Type\": \"application/json\", \"X-GitHub-Event\": \"deployment_status\"}, "
        "\"query\": {\"env\": \"production\"}, \"body\": {\"action\": \"created\", \"ref\": \"main\"}, "
        "\"verification\": {\"status\": \"verified\"}, \"received_at\": \""
            + at(42) + "\"}",
        "{\"id\": \"p2\", \"listener_id\": \"l2\", \"listener_name\": \"Payments\", \"method\": \"POST\", "
        "\"body\": {\"amount\": 1999, \"currency\": \"EUR\"}, "
        "\"verification\": {\"status\": \"failed\", \"reason\": \"signature does not match\"}, \"received_at\": \""
            + at(600) + "\", \"delivered_at\": \"" + at(599) + "\"}",
        "{\"id\": \"p1\", \"method\": \"GET\", \"raw_body\": \"ping\", \"received_at\": \"" + at(7200)
            + "\", \"delivered_at\": \"" + at(7199) + "\"}",
    };
}

Payload payload(const QByteArray& members)
{
    const QByteArray json = "{\"id\": \"p1\", \"method\": \"PUT\", \"received_at\": \"2026-01-01T00:00:00.000Z\""
        + (members.isEmpty() ? QByteArray() : ", " + members) + "}";
    return *Payload::fromJson(nlohmann::json::parse(json.toStdString()));
}

// The texts of the labels and text boxes `parent` shows.
QStringList shownTexts(const QWidget& parent)
{
    QStringList texts;
    for (const auto* label : parent.findChildren<QLabel*>()) {
        if (label->isVisibleTo(&parent)) {
            texts << label->text();
        }
    }
    for (const auto* text : parent.findChildren<QPlainTextEdit*>()) {
        texts << text->toPlainText();
    }
    return texts;
}

} // namespace

// The Activity screen and the payload inspector over the real AppState fed by a scripted relay, and a
// webhook through a real relay.
class ActivityTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        m_shell = std::make_unique<test::SessionFixture>();
    }
    void cleanup() { m_shell.reset(); }

    // A webhook sent to a real relay, seen on the Activity screen and fired again from its inspector.
    void webhookIsInspectedAndFiredAgain()
    {
        m_shell.reset(); // the relay session brings its own notification server
        test::RelaySession session("activity-owner-key");
        QVERIFY(session.start());
        NotificationConfig config;
        config.title = "{{body.action}}";
        const auto listener = QCoro::waitFor(session.client().createListener("Deploys", config));
        QVERIFY(listener);
        AppState& state = session.startState();
        const auto& notifications = session.notifications();
        ActivityView view(state);
        view.show();

        QCOMPARE(
            session.post(QString::fromStdString(listener->hookPath), "{\"action\": \"opened\"}", {{"X-Trace", "t-1"}}),
            202);
        QTRY_COMPARE_WITH_TIMEOUT(view.model()->rowCount(), 1, 10'000);
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 1, 10'000);
        // The acknowledgement moves the relay's change version; the cycle it wakes shows the event as
        // delivered, in an inspector of its own.
        QTRY_VERIFY_WITH_TIMEOUT(!state.activity().empty() && state.activity().front().deliveredAt, 10'000);
        QTRY_VERIFY(view.inspector() && view.inspector()->payload().deliveredAt);
        const QPointer<PayloadInspector> inspector = view.inspector();
        QVERIFY(std::ranges::any_of(
            inspector->findChildren<QLabel*>(), [](const QLabel* label) { return label->text() == "t-1"; }));
        QCOMPARE(inspector->findChild<QPlainTextEdit*>()->toPlainText(), "{\n  \"action\": \"opened\"\n}");

        inspector->refireButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(inspector ? inspector->feedbackText() : QString(), "Notification fired", 10'000);
        QTRY_COMPARE(notifications.received().size(), 2);
        QCOMPARE(notifications.received()[1].summary, "opened");

        // A 9 MiB value: the notification shows its start, the list carries the start of the body, and
        // the inspector reads the whole payload and shows a bounded excerpt of it.
        const QByteArray large = "{\"action\": \"pushed\", \"blob\": \"" + QByteArray(9 << 20, 'x') + "\"}";
        QCOMPARE(session.post(QString::fromStdString(listener->hookPath), large), 202);
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received().size(), 3, 10'000);
        QVERIFY(notifications.received()[2].body.size() <= 300);
        QTRY_COMPARE_WITH_TIMEOUT(view.model()->rowCount(), 2, 10'000);
        view.list()->setCurrentIndex(view.model()->index(0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(view.inspector() && view.inspector()->bodyText(), 10'000);
        QCOMPARE(view.inspector()->payload().rawBody->size(), std::size_t(large.size()));
        QVERIFY(view.inspector()->bodyText()->toPlainText().size() < 300'000);

        session.stopState();
        QCOMPARE(AppState::runningLoops(), 0);
    }

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

    // The ages count on by themselves while the list shows; hidden, no timer runs.
    void agesTick()
    {
        const QByteArray at = QDateTime::currentDateTimeUtc().addSecs(-10).toString(Qt::ISODateWithMs).toUtf8();
        m_shell->script({}, {R"({"id": "p1", "method": "POST", "received_at": ")" + at + R"("})"}, {});
        m_shell->start(true);
        ActivityView view(m_shell->state());
        view.show();
        const QModelIndex row = view.model()->index(0, 0);
        const QString first = row.data(ActivityListModel::ageRole).toString();
        QTRY_VERIFY(row.data(ActivityListModel::ageRole).toString() != first);
        const auto* ticker = view.list()->findChild<RelativeTimeTicker*>();
        QVERIFY(ticker->isTicking());
        view.hide();
        QVERIFY(!ticker->isTicking());
    }

    // The summary line has room for the font's whole descent: an underscore is drawn.
    void underscoresAreDrawn()
    {
        QApplication::setFont(test::defaultFont());
        const auto drawn = [](const QByteArray& body) {
            const std::vector<Payload> payloads{payload("\"raw_body\": \"" + body + "\"")};
            const ActivityListModel model(payloads);
            const ActivityRowDelegate delegate;
            QStyleOptionViewItem option;
            option.rect = QRect(0, 0, 300, 0);
            option.rect.setSize(delegate.sizeHint(option, model.index(0)));
            QImage image(option.rect.size(), QImage::Format_ARGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            delegate.paint(&painter, option, model.index(0));
            return image;
        };
        QVERIFY(drawn("cus_Q") != drawn("cus Q"));
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

        view.list()->setCurrentIndex(view.model()->index(3, 0));
        QCOMPARE(view.inspector()->payload().id, "p3");
    }

    void cards_data()
    {
        QTest::addColumn<QByteArray>("members");
        QTest::addColumn<QStringList>("texts"); // shown in this order
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("delivery");
        QTest::newRow("bare") << QByteArray() << QStringList{"(unknown)", "No headers", "(empty)"} << false
                              << "pending";
        QTest::newRow("named, empty maps")
            << QByteArray("\"listener_id\": \"l1\", \"listener_name\": \"Deploys\", \"headers\": {}, \"query\": {},"
                          " \"raw_body\": \"plain\"")
            << QStringList{"Deploys", "No headers", "plain"} << true << "pending";
        QTest::newRow("bare string body, delivered")
            << QByteArray("\"body\": \"hi\", \"raw_body\": \"\\\"hi\\\"\", \"delivered_at\": \"d\"")
            << QStringList{"\"hi\""} << false << "delivered";
        QTest::newRow("headers sorted, query, pretty body") << QByteArray(
            "\"headers\": {\"b\": 2, \"A\": \"x\"}, \"query\": {\"q\": [1]}, \"body\": {\"z\": \"a/b\", \"y\": [1]}")
                                                            << QStringList{"A", "x", "b", "2", "q", "[1]",
                                                                   "{\n  \"y\": [\n    1\n  ],\n  \"z\": \"a\\/b\"\n}"}
                                                            << false << "pending";
        QStringList numbers;
        for (int number = 0; number < 3000; ++number) {
            numbers << QString::number(number);
        }
        QTest::newRow("large body, pretty-printed on the pool")
            << "\"body\": [" + numbers.join(',').toUtf8() + "]" << QStringList{"[\n  " + numbers.join(",\n  ") + "\n]"}
            << false << "pending";
    }
    void cards()
    {
        m_shell->start(false);
        QFETCH(QByteArray, members);
        QFETCH(QStringList, texts);
        const PayloadInspector inspector(m_shell->state(), payload(members), PayloadInspector::Presentation::embedded);
        QFETCH(bool, edit);
        QFETCH(QString, delivery);
        QCOMPARE(inspector.editButton() != nullptr, edit);
        QStringList pills;
        for (const auto* pill : inspector.findChildren<StatusPill*>()) {
            pills << pill->label();
        }
        QCOMPARE(pills, QStringList({"PUT", delivery}));
        QTRY_VERIFY(inspector.bodyText() != nullptr);
        const QStringList shown = shownTexts(inspector);
        qsizetype from = 0;
        for (const QString& text : texts) {
            from = shown.indexOf(text, from);
            QVERIFY2(from >= 0, qPrintable(text));
        }
    }

    // Firing a payload of a listener that is gone again reports the failure until the feedback times
    // out; "Edit listener" dismisses the sheet and selects the listener.
    void sheetOfAGoneListener()
    {
        m_shell->start(false);
        PayloadInspectorSheet sheet(m_shell->state(), payload("\"listener_id\": \"gone\""), nullptr);
        PayloadInspector& inspector = *sheet.inspector();
        inspector.refireButton()->click();
        QTRY_COMPARE(inspector.feedbackText(), "Listener no longer exists");
        QCOMPARE(inspector.feedbackOk(), false);
        QVERIFY(QMetaObject::invokeMethod(&inspector.feedbackTimer(), "timeout"));
        QCOMPARE(inspector.feedbackOk(), std::nullopt);

        QSignalSpy dismissed(&inspector, &PayloadInspector::dismissRequested);
        inspector.editButton()->click();
        QCOMPARE(dismissed.size(), 1);
        QCOMPARE(m_shell->state().sidebarSelection(), SidebarSelection::forListener("gone"));
    }

    // A payload whose listed body was cut is shown, and re-fired, whole: it is read again by its id.
    void cutBodiesAreShownWhole()
    {
        m_shell->script({test::SessionFixture::listener("l1", "Deploys")}, {}, {});
        m_shell->start(true);
        m_shell->relay().script("/webhooks/p1",
            test::ScriptedHttpServer::response(200,
                R"({"id": "p1", "listener_id": "l1", "method": "PUT", "received_at": "2026-01-01T00:00:00.000Z",
                    "raw_body": "the whole body"})"));
        PayloadInspector inspector(m_shell->state(),
            payload(R"("listener_id": "l1", "raw_body": "the", "body_truncated": true, "body_size": 14)"),
            PayloadInspector::Presentation::embedded);
        QTRY_VERIFY(inspector.bodyText() != nullptr);
        QCOMPARE(inspector.bodyText()->toPlainText(), "the whole body");
        inspector.refireButton()->click();
        QTRY_COMPARE(m_shell->notifications().received().size(), 1);
        QCOMPARE(m_shell->notifications().received().front().body, "the whole body");
    }

    // In a sheet at its smallest, a re-fire's outcome moves none of the other controls; once it has gone
    // the button fires again, and under the pointer it never looks disabled.
    void refireOutcomeFitsAndRepeats()
    {
        m_shell->script({test::SessionFixture::listener("l1", "Deploys")}, {}, {});
        m_shell->start(true);
        PayloadInspectorSheet sheet(m_shell->state(), payload(R"("listener_id": "l1", "delivered_at": "d")"), nullptr);
        sheet.resize(sheet.minimumSizeHint());
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        PayloadInspector& inspector = *sheet.inspector();
        QPushButton& refire = *inspector.refireButton();
        const QWidget* delivered = inspector.findChildren<StatusPill*>().constLast();
        const auto places = [&] {
            return QList{
                inspector.editButton()->geometry(), inspector.closeButton()->geometry(), delivered->geometry()};
        };
        const QList<QRect> before = places();
        for (int press = 1; press <= 2; ++press) {
            QTest::mouseMove(&refire);
            QTest::mouseClick(&refire, Qt::LeftButton);
            QTRY_COMPARE(inspector.feedbackText(), "Notification fired");
            QCOMPARE(m_shell->notifications().received().size(), press);
            QApplication::processEvents();
            QCOMPARE(places(), before);
            QVERIFY(QMetaObject::invokeMethod(&inspector.feedbackTimer(), "timeout"));
            QTest::mouseMove(&refire);
            QTRY_VERIFY(refire.underMouse());
            const QColor fill = refire.grab().toImage().pixelColor(refire.width() - 4, refire.height() / 2);
            QVERIFY2(fill.hsvSaturation() > 100, qPrintable(fill.name()));
        }
    }

    // The inspector's pill and the activity row's accessible text follow the signature check.
    void verificationMarks_data()
    {
        QTest::addColumn<QByteArray>("outcome"); // empty: not checked
        QTest::addColumn<QString>("pill"); // empty: none
        QTest::addColumn<QString>("accessibleRow");
        QTest::newRow("verified") << QByteArray(R"({"status": "verified"})") << "verified" << "Deploys, verified";
        QTest::newRow("failed") << QByteArray(R"({"status": "failed", "reason": "signature does not match"})")
                                << "unverified" << "Deploys, unverified";
        QTest::newRow("not checked") << QByteArray() << "" << "Deploys";
    }
    void verificationMarks()
    {
        m_shell->start(false);
        QFETCH(QByteArray, outcome);
        QFETCH(QString, pill);
        QFETCH(QString, accessibleRow);
        const Payload checked = payload(
            "\"listener_name\": \"Deploys\"" + (outcome.isEmpty() ? QByteArray() : ", \"verification\": " + outcome));
        const PayloadInspector inspector(m_shell->state(), checked, PayloadInspector::Presentation::embedded);
        const StatusPill* shown = inspector.verificationPill();
        QCOMPARE(shown != nullptr ? shown->label() : QString(), pill);
        const std::vector<Payload> payloads{checked};
        const ActivityListModel model(payloads);
        QCOMPARE(model.data(model.index(0), Qt::AccessibleTextRole).toString(), accessibleRow);
    }

    // The Activity screen and the payload inspector, light and dark, for a person to look at.
    void screenshots_data() { test::addSchemes(); }
    void screenshots()
    {
        test::applyScheme();
        m_shell->script(
            {test::SessionFixture::listener("l1", "Deploys"), test::SessionFixture::listener("l2", "Payments")},
            screenshotEvents(), {});
        m_shell->start(true);
        QTRY_COMPARE(m_shell->state().activity().size(), 3U);
        MainWindow window(m_shell->state());
        m_shell->state().setSidebarSelection(SidebarSelection{SidebarSelection::Kind::activity, {}});
        test::saveScreenshot(window, "activity/events");
        PayloadInspectorSheet sheet(m_shell->state(), m_shell->state().activity().front(), &window);
        sheet.adjustSize();
        test::saveScreenshot(sheet, "inspector/sheet");
        QApplication::setPalette(QPalette());
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
