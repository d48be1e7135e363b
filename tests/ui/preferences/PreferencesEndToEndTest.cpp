#include "auth/AuthCoordinator.h"
#include "core/AppState.h"
#include "core/Notifier.h"
#include "platform/FileSecretStore.h"
#include "platform/XdgAutostartLoginItem.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"
#include "support/FakeNotificationServer.h"
#include "support/FakeWebAuthenticationSession.h"
#include "support/HeadlessSession.h"
#include "support/RelayProcess.h"
#include "support/TestRegistry.h"
#include "ui/components/StyledLabel.h"
#include "ui/preferences/ConnectionStatusCard.h"
#include "ui/preferences/PreferencesView.h"

#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace corvane {

// Saved preferences reach the running polling loop, against a real relay.
class PreferencesEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void savedSettingsApplyToTheRunningLoop()
    {
        test::RelayProcess relay({"API_TOKEN=prefs-key"});
        QVERIFY(relay.start());
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
        AppSettings::setServiceURL(QStringLiteral("http://127.0.0.1:%1").arg(relay.port()));
        AppSettings::setPollIntervalMs(60'000);
        QTemporaryDir folder;
        FileSecretStore secrets(folder.filePath("api-token"));
        QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(secrets, "prefs-key")));
        QNetworkAccessManager network;
        ServiceClient client(network, secrets);
        test::FakeNotificationServer notifications;
        Notifier notifier(QDBusConnection::sessionBus(), "/sounds");
        test::FakeWebAuthenticationSession browser;
        AuthCoordinator auth(client, secrets, browser);
        auto running = std::make_unique<AppState>(client, secrets, auth, notifier, true, std::nullopt);
        AppState& state = *running;
        QTRY_VERIFY_WITH_TIMEOUT(state.connected(), 10'000);
        PreferencesView view(
            state, secrets, std::make_unique<XdgAutostartLoginItem>(folder.filePath("config"), "/usr/bin/corvane"));
        QTRY_VERIFY(view.tokenField()->isEnabled());
        const StyledLabel* connection = view.statusCard()->connectionLabel();
        const StyledLabel* error = view.statusCard()->errorLabel();

        // With the stored minute between cycles, a second cycle after the restart needs the new interval.
        QSignalSpy polls(&state, &AppState::lastPollAtChanged);
        view.pollIntervalBox()->setValue(1);
        view.saveButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(polls.count() >= 2, 10'000);

        view.tokenField()->setText("wrong-key");
        view.saveButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(error->text(), "HTTP 401: {\"error\":\"invalid or revoked API key\"}", 10'000);
        QCOMPARE(connection->text(), "Offline");

        view.tokenField()->setText("prefs-key");
        view.saveButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(connection->text(), "Connected", 10'000);
        QVERIFY(error->isHidden());

        running.reset();
        QTRY_COMPARE(AppState::runningLoops(), 0);
    }
};

CORVANE_TEST(PreferencesEndToEndTest)

} // namespace corvane

#include "PreferencesEndToEndTest.moc"
