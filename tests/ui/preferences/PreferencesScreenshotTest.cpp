#include "ShellFixture.h"
#include "platform/XdgAutostartLoginItem.h"
#include "service/AppSettings.h"
#include "support/Appearance.h"
#include "support/HeadlessSession.h"
#include "support/Screenshots.h"
#include "support/TestRegistry.h"
#include "ui/preferences/LoginItemRow.h"
#include "ui/preferences/PreferencesView.h"
#include "ui/preferences/ToggleSwitch.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

namespace corvane {

// The Preferences screen in a light and a dark scheme, for a person to look at.
class PreferencesScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        QApplication::setFont(test::defaultFont());
    }
    void cleanupTestCase() { QApplication::setPalette(QPalette()); }

    void screens_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void screens()
    {
        QFETCH(bool, dark);
        QApplication::setPalette(dark ? test::darkPalette() : test::lightPalette());
        const QString scheme = dark ? "dark" : "light";
        QTemporaryDir folder;
        QFile file(folder.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        {
            test::ShellFixture shell;
            shell.start(true);
            QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(shell.state().secrets(), "c0rv-7f3a9e21d4b8")));
            PreferencesView view(shell.state(), shell.state().secrets(),
                std::make_unique<XdgAutostartLoginItem>(folder.filePath("config"), "/usr/bin/corvane"));
            QTRY_VERIFY(view.tokenField()->isEnabled());
            view.loginItemRow()->toggle()->click();
            save(view, "signed-in", scheme);
            view.revealButton()->click();
            view.pollIntervalBox()->setValue(10);
            save(view, "token-revealed-edited", scheme);
        }
        test::ShellFixture shell;
        shell.start(true);
        AppSettings::setServiceURL("http://127.0.0.1:9");
        shell.state().startPolling();
        QTRY_VERIFY(!shell.state().connected());
        PreferencesView view(shell.state(), shell.state().secrets(),
            std::make_unique<XdgAutostartLoginItem>(folder.filePath("file"), "/usr/bin/corvane"));
        QTRY_VERIFY(view.tokenField()->isEnabled());
        view.loginItemRow()->toggle()->click();
        save(view, "offline-with-errors", scheme);
    }

private:
    static void save(QWidget& widget, const QString& name, const QString& scheme)
    {
        widget.resize(640, 820);
        const QString file = QStringLiteral("%1/preferences/%2-%3.png")
                                 .arg(test::screenshotFolder(QStringLiteral(CORVANE_SCREENSHOTS_FOLDER)), name, scheme);
        QVERIFY2(test::saveScreenshot(widget, file), qPrintable(file));
    }
};

CORVANE_TEST(PreferencesScreenshotTest)

} // namespace corvane

#include "PreferencesScreenshotTest.moc"
