#include "auth/AuthCoordinator.h"
#include "core/AppState.h"
#include "core/Notifier.h"
#include "platform/FileSecretStore.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"
#include "support/FakeNotificationServer.h"
#include "support/FakeWebAuthenticationSession.h"
#include "support/HeadlessSession.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"
#include "ui/activity/ActivityListModel.h"
#include "ui/activity/ActivityView.h"
#include "ui/inspector/PayloadInspector.h"

#include <QLabel>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <memory>

namespace corvane {

// A webhook sent to a real relay, seen on the Activity screen and fired again from its inspector.
class ActivityEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void webhookIsInspectedAndFiredAgain()
    {
        test::RelayProcess relay({"API_TOKEN=activity-owner-key"});
        QVERIFY(relay.start());
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
        AppSettings::setServiceURL(QStringLiteral("http://127.0.0.1:%1").arg(relay.port()));
        AppSettings::setPollIntervalMs(500);
        QTemporaryDir folder;
        FileSecretStore secrets(folder.filePath("api-token"));
        QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(secrets, "activity-owner-key")));
        QNetworkAccessManager network;
        ServiceClient client(network, secrets);
        NotificationConfig config;
        config.title = "{{body.action}}";
        const auto listener = QCoro::waitFor(client.createListener("Deploys", config));
        QVERIFY(listener);

        test::FakeNotificationServer notifications;
        Notifier notifier(QDBusConnection::sessionBus(), "/sounds");
        test::FakeWebAuthenticationSession browser;
        AuthCoordinator auth(client, secrets, browser);
        auto running = std::make_unique<AppState>(client, secrets, auth, notifier, true, std::nullopt);
        AppState& state = *running;
        ActivityView view(state);
        view.show();

        test::RelayClient sender(relay);
        QCOMPARE(sender
                     .send("POST", QString::fromStdString(listener->hookPath), "{\"action\": \"opened\"}",
                         {{"Content-Type", "application/json"}, {"X-Trace", "t-1"}})
                     .status,
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

        running.reset();
        QTRY_COMPARE(AppState::runningLoops(), 0);
    }
};

CORVANE_TEST(ActivityEndToEndTest)

} // namespace corvane

#include "ActivityEndToEndTest.moc"
