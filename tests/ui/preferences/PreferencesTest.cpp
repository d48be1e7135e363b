#include "ShellFixture.h"
#include "platform/XdgAutostartLoginItem.h"
#include "service/AppSettings.h"
#include "support/HeadlessSession.h"
#include "support/TestRegistry.h"
#include "ui/components/StyledLabel.h"
#include "ui/preferences/AccountCard.h"
#include "ui/preferences/ConnectionStatusCard.h"
#include "ui/preferences/LoginItemRow.h"
#include "ui/preferences/PreferencesView.h"
#include "ui/preferences/ToggleSwitch.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace corvane {

// The Preferences screen over a real AppState and a scripted relay.
class PreferencesTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        m_shell = std::make_unique<test::ShellFixture>();
    }
    void cleanup()
    {
        m_view.reset();
        m_shell.reset();
    }

    void pollInterval_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("saveEnabled");
        QTest::newRow("absent") << QVariant() << "4 seconds" << false;
        QTest::newRow("0") << QVariant(0) << "4 seconds" << false;
        QTest::newRow("negative") << QVariant(-5) << "4 seconds" << false;
        QTest::newRow("500") << QVariant(500) << "1 second" << true;
        QTest::newRow("2500") << QVariant(2500) << "2 seconds" << true;
        QTest::newRow("60000") << QVariant(60'000) << "60 seconds" << false;
    }
    void pollInterval()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, shown);
        QFETCH(bool, saveEnabled);
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane");
        settings.remove("pollIntervalMs");
        if (stored.isValid()) {
            AppSettings::setPollIntervalMs(stored.toLongLong());
        }
        open(true);
        QCOMPARE(m_view->pollIntervalBox()->text(), shown);
        QCOMPARE(m_view->saveButton()->isEnabled(), saveEnabled);
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

    void urlChangedBackIsNoChange()
    {
        open(true);
        const QString stored = m_view->serviceURLField()->text();
        m_view->serviceURLField()->setText(stored + "/");
        QVERIFY(m_view->saveButton()->isEnabled());
        m_view->serviceURLField()->setText(stored);
        QVERIFY(!m_view->saveButton()->isEnabled());
    }

    void revertKeepsTheRevealState()
    {
        open(true, {}, "stored-key");
        m_view->revealButton()->click();
        m_view->tokenField()->setText("other");
        m_view->pollIntervalBox()->setValue(9);
        m_view->revertButton()->click();
        QCOMPARE(m_view->tokenField()->text(), "stored-key");
        QCOMPARE(m_view->pollIntervalBox()->value(), 60);
        QCOMPARE(m_view->tokenField()->echoMode(), QLineEdit::Normal);
        QCOMPARE(m_view->revealButton()->text(), "Hide");
    }

    void accountAndStatus_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("connection");
        QTest::newRow("signed in without an e-mail") << true << "Signed in" << "Connected";
        QTest::newRow("signed out, never polled") << false << "Not signed in" << "Offline";
    }
    void accountAndStatus()
    {
        QFETCH(bool, signedIn);
        QFETCH(QString, account);
        QFETCH(QString, connection);
        open(signedIn);
        QCOMPARE(m_view->accountCard()->accountLabel()->text(), account);
        QCOMPARE(m_view->accountCard()->signInButton()->isVisibleTo(m_view.get()), !signedIn);
        QCOMPARE(m_view->statusCard()->connectionLabel()->text(), connection);
        QCOMPARE(m_view->statusCard()->lastPollLabel()->isVisibleTo(m_view.get()), signedIn);
        if (signedIn) {
            QVERIFY(m_view->statusCard()->lastPollLabel()->text().startsWith("· last poll "));
        }
    }

    // A folder whose parent is a regular file cannot be made, whoever runs the test.
    void openAtLogin_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("status");
        QTest::newRow("written") << true << "Opens automatically at login";
        QTest::newRow("autostart folder cannot be made") << false << "Not set to open at login";
    }
    void openAtLogin()
    {
        QFETCH(bool, writable);
        QFETCH(QString, status);
        QTemporaryDir folder;
        QFile file(folder.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        open(true, folder.filePath(writable ? "config" : "file"));
        LoginItemRow* row = m_view->loginItemRow();
        row->toggle()->click();
        QCOMPARE(row->toggle()->isChecked(), writable);
        QCOMPARE(row->statusLabel()->text(), status);
        QCOMPARE(row->errorLabel()->isVisibleTo(m_view.get()), !writable);
        if (!writable) {
            QCOMPARE(
                row->errorLabel()->text(), "Could not create the folder " + folder.filePath("file/autostart") + ".");
            QVERIFY(row->errorLabel()->tint() == Theme::Tint(Theme::Colour::red));
        }
    }

private:
    void open(bool signedIn, const QString& configFolder = {}, const QString& token = {})
    {
        m_shell->start(signedIn);
        if (!token.isEmpty()) {
            QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(m_shell->state().secrets(), token)));
        }
        m_view = std::make_unique<PreferencesView>(m_shell->state(), m_shell->state().secrets(),
            std::make_unique<XdgAutostartLoginItem>(
                configFolder.isEmpty() ? m_config.path() : configFolder, "/usr/bin/corvane"));
        m_view->show();
        QTRY_VERIFY(m_view->tokenField()->isEnabled());
    }

    QTemporaryDir m_config;
    std::unique_ptr<test::ShellFixture> m_shell;
    std::unique_ptr<PreferencesView> m_view;
};

CORVANE_TEST(PreferencesTest)

} // namespace corvane

#include "PreferencesTest.moc"
