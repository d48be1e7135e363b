#include "platform/XdgAutostartLoginItem.h"
#include "service/AppSettings.h"
#include "support/Appearance.h"
#include "support/HeadlessSession.h"
#include "support/RelayProcess.h"
#include "support/Screenshots.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/ToggleSwitch.h"
#include "ui/preferences/AccountCard.h"
#include "ui/preferences/ConnectionStatusCard.h"
#include "ui/preferences/LoginItemRow.h"
#include "ui/preferences/PreferencesView.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <utility>

namespace corvane {

// The Preferences screen over a real AppState, fed by a scripted relay or a real one.
class PreferencesTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        QVERIFY(QFile(m_config.filePath("file")).open(QIODevice::WriteOnly));
        m_shell = std::make_unique<test::SessionFixture>();
    }
    void cleanup()
    {
        m_view.reset();
        m_shell.reset();
        m_started = false;
        QDir(m_config.filePath("config")).removeRecursively();
        QApplication::setPalette(QPalette());
    }

    void pollInterval_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("saveEnabled");
        QTest::newRow("absent") << QVariant() << "4 seconds" << false;
        QTest::newRow("negative") << QVariant(-5) << "4 seconds" << false;
        QTest::newRow("500") << QVariant(500) << "1 second" << true;
        QTest::newRow("60000") << QVariant(60'000) << "60 seconds" << false;
    }
    void pollInterval()
    {
        QFETCH(QVariant, stored);
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").remove("pollIntervalMs");
        if (stored.isValid()) {
            AppSettings::setPollIntervalMs(stored.toLongLong());
        }
        open(true);
        QTEST(m_view->pollIntervalBox()->text(), "shown");
        QTEST(m_view->saveButton()->isEnabled(), "saveEnabled");
    }

    void save_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<bool>("withReturn");
        QTest::newRow("1 second, Return") << 1 << true;
        QTest::newRow("60 seconds, button") << 60 << false;
    }
    void save()
    {
        QFETCH(int, seconds);
        QFETCH(bool, withReturn);
        AppSettings::setPollIntervalMs(4000);
        open(true);
        m_view->pollIntervalBox()->setValue(seconds);
        m_view->tokenField()->setText("typed-key");
        if (withReturn) {
            m_view->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
            QTest::keyClick(m_view->serviceURLField(), Qt::Key_Return);
        } else {
            m_view->saveButton()->click();
        }
        QTRY_COMPARE(AppSettings::pollIntervalMs(), seconds * 1000);
        QCOMPARE(QCoro::waitFor(AppSettings::keychainRead(m_shell->state().secrets())), "typed-key");
        QTRY_VERIFY(!m_view->saveButton()->isEnabled());
    }

    // Signed in and connected; the URL changed back is no change; Revert restores the stored values
    // and keeps the token shown.
    void workingCopy()
    {
        open(true, "config", "stored-key");
        QCOMPARE(m_view->accountCard()->accountLabel()->text(), "Signed in");
        QVERIFY(!m_view->accountCard()->signInButton()->isVisibleTo(m_view.get()));
        QCOMPARE(m_view->statusCard()->connectionLabel()->text(), "Connected");
        const QString stored = m_view->serviceURLField()->text();
        m_view->serviceURLField()->setText(stored + "/");
        QVERIFY(m_view->saveButton()->isEnabled());
        m_view->serviceURLField()->setText(stored);
        QVERIFY(!m_view->saveButton()->isEnabled());
        m_view->revealButton()->click();
        m_view->tokenField()->setText("other");
        m_view->pollIntervalBox()->setValue(9);
        m_view->revertButton()->click();
        QCOMPARE(m_view->tokenField()->text(), "stored-key");
        QCOMPARE(m_view->pollIntervalBox()->value(), 60);
        QCOMPARE(m_view->tokenField()->echoMode(), QLineEdit::Normal);
        QCOMPARE(m_view->revealButton()->text(), "Hide");
    }

    // A folder whose parent is a regular file cannot be made, even by root.
    void openAtLogin_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("written") << "config" << "Opens automatically at login" << "";
        QTest::newRow("autostart folder cannot be made")
            << "file" << "Not set to open at login" << "Could not create the folder %1/file/autostart.";
    }
    void openAtLogin()
    {
        QFETCH(QString, folder);
        QFETCH(QString, error);
        open(true, folder);
        LoginItemRow* row = m_view->loginItemRow();
        row->toggle()->click();
        QCOMPARE(row->toggle()->isChecked(), error.isEmpty());
        QTEST(row->statusLabel()->text(), "status");
        QCOMPARE(row->errorLabel()->isVisibleTo(m_view.get()) ? row->errorLabel()->text() : QString(),
            error.isEmpty() ? error : error.arg(m_config.path()));
    }

    // With the stored minute between cycles, a second cycle after saving needs the saved interval; a
    // wrong token then fails the next cycle with the relay's refusal, and the right one mends it.
    void savedSettingsReachTheRunningLoop()
    {
        test::RelayProcess relay({"API_TOKEN=preferences-owner-key"});
        QVERIFY(relay.start());
        AppSettings::setServiceURL(QStringLiteral("http://127.0.0.1:%1").arg(relay.port()));
        open(false, "config", "preferences-owner-key");
        QSignalSpy polls(&m_shell->state(), &AppState::lastPollAtChanged);
        m_view->pollIntervalBox()->setValue(1);
        m_view->saveButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(polls.count() >= 2, 10'000);
        const StyledLabel* connection = m_view->statusCard()->connectionLabel();
        const StyledLabel* error = m_view->statusCard()->errorLabel();
        for (const QString token : {"wrong-key", "preferences-owner-key"}) {
            m_view->tokenField()->setText(token);
            m_view->saveButton()->click();
            const bool right = token == "preferences-owner-key";
            QTRY_COMPARE_WITH_TIMEOUT(connection->text(), right ? "Connected" : "Offline", 10'000);
            QTRY_COMPARE(error->isVisible() ? error->text() : QString(),
                right ? "" : "HTTP 401: {\"error\":\"invalid or revoked API key\"}");
        }
    }

    void screenshots_data() { test::addSchemes(); }
    void screenshots()
    {
        test::applyScheme();
        open(true, "config", "c0rv-7f3a9e21d4b8");
        m_view->loginItemRow()->toggle()->click();
        test::saveScreenshot(*m_view, "preferences/signed-in");
        AppSettings::setServiceURL("http://127.0.0.1:9");
        open(true, "file", "c0rv-7f3a9e21d4b8");
        m_shell->state().startPolling();
        QTRY_VERIFY(!m_shell->state().connected());
        m_view->loginItemRow()->toggle()->click();
        test::saveScreenshot(*m_view, "preferences/offline-with-errors");
    }

private:
    // The state starts once per test (signed in, it has connected to the scripted relay), then `token`
    // is stored; the login item lives in the folder `config` of the test's folder.
    void open(bool signedIn, const QString& config = "config", const QString& token = {})
    {
        m_view.reset();
        if (!std::exchange(m_started, true)) {
            m_shell->start(signedIn);
        }
        if (!token.isEmpty()) {
            QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(m_shell->state().secrets(), token)));
        }
        m_view = std::make_unique<PreferencesView>(m_shell->state(), m_shell->state().secrets(),
            std::make_unique<XdgAutostartLoginItem>(m_config.filePath(config), "/usr/bin/corvane"));
        m_view->resize(640, 820);
        m_view->show();
        QTRY_VERIFY(m_view->tokenField()->isEnabled());
    }

    QTemporaryDir m_config;
    std::unique_ptr<test::SessionFixture> m_shell;
    std::unique_ptr<PreferencesView> m_view;
    bool m_started = false;
};

CORVANE_TEST(PreferencesTest)

} // namespace corvane

#include "PreferencesTest.moc"
