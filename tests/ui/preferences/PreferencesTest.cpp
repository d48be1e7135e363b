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
#include "ui/components/TransientConfirmation.h"
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
        QVERIFY(m_view->findChild<TransientConfirmation*>("savedConfirmation")->isVisible());
    }

    // The URL changed back is no change; Revert restores the stored values.
    void workingCopy()
    {
        open(true, "config", "stored-key");
        const QString stored = m_view->serviceURLField()->text();
        m_view->serviceURLField()->setText(stored + "/");
        QVERIFY(m_view->saveButton()->isEnabled());
        m_view->serviceURLField()->setText(stored);
        QVERIFY(!m_view->saveButton()->isEnabled());
        m_view->tokenField()->setText("other");
        m_view->pollIntervalBox()->setValue(9);
        m_view->revertButton()->click();
        QCOMPARE(m_view->tokenField()->text(), "stored-key");
        QCOMPARE(m_view->pollIntervalBox()->value(), 60);
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

    // Signed in with the login item written, and offline with an autostart folder that cannot be made
    // (its parent is a regular file, even for root), light and dark, for a person to look at.
    void screenshots_data() { test::addSchemes(); }
    void screenshots()
    {
        test::applyScheme();
        open(true, "config", "c0rv-7f3a9e21d4b8");
        const auto* row = m_view->loginItemRow();
        // As assistive technology does it: toggled without a click.
        row->toggle()->toggle();
        QVERIFY(row->toggle()->isChecked() && !row->errorLabel()->isVisibleTo(m_view.get()));
        QCOMPARE(row->statusLabel()->text(), "Opens automatically at login");
        QVERIFY(m_view->tokenField()->accessibleDescription().contains("signing in"));
        // Whatever takes the focus is reachable with Tab.
        for (const QWidget* child : m_view->findChildren<QWidget*>()) {
            QVERIFY2(child->focusPolicy() == Qt::NoFocus || (child->focusPolicy() & Qt::TabFocus) != 0,
                qPrintable(child->property("text").toString() + " " + child->metaObject()->className()));
        }
        test::saveScreenshot(*m_view, "preferences/signed-in");
        AppSettings::setServiceURL("http://127.0.0.1:9");
        open(true, "file", "c0rv-7f3a9e21d4b8");
        m_shell->state().startPolling();
        QTRY_VERIFY(!m_shell->state().connected());
        row = m_view->loginItemRow();
        row->toggle()->click();
        QVERIFY(!row->toggle()->isChecked() && row->errorLabel()->isVisibleTo(m_view.get()));
        QCOMPARE(row->errorLabel()->text(),
            QStringLiteral("Could not create the folder %1/file/autostart.").arg(m_config.path()));
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
