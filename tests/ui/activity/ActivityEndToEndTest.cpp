#include "support/HeadlessSession.h"
#include "support/RelaySession.h"
#include "support/TestRegistry.h"
#include "ui/activity/ActivityListModel.h"
#include "ui/activity/ActivityView.h"
#include "ui/inspector/PayloadInspector.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <qcoro/qcorotask.h>

namespace corvane {

// A webhook sent to a real relay, seen on the Activity screen and fired again from its inspector.
class ActivityEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void webhookIsInspectedAndFiredAgain()
    {
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
        QVERIFY(inspector);
        QVERIFY(std::ranges::any_of(
            inspector->findChildren<QLabel*>(), [](const QLabel* label) { return label->text() == "t-1"; }));
        QCOMPARE(inspector->findChild<QPlainTextEdit*>()->toPlainText(), "{\n  \"action\": \"opened\"\n}");

        inspector->refireButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(inspector ? inspector->feedbackText() : QString(), "Notification fired", 10'000);
        QTRY_COMPARE(notifications.received().size(), 2);
        QCOMPARE(notifications.received()[1].summary, "opened");

        session.stopState();
        QCOMPARE(AppState::runningLoops(), 0);
    }
};

CORVANE_TEST(ActivityEndToEndTest)

} // namespace corvane

#include "ActivityEndToEndTest.moc"
