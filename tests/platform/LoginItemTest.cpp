#include "platform/XdgAutostartLoginItem.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace corvane {

// The autostart entry in a real configuration folder.
class LoginItemTest : public QObject {
    Q_OBJECT

private slots:
    // The program's path needs both layers of Exec escaping: quoting, then the string value's backslashes.
    void enablingWritesAValidEntryAndDisablingRemovesIt()
    {
        QTemporaryDir config;
        XdgAutostartLoginItem item(config.path(), config.filePath("my \"apps\"/corvane"));
        QVERIFY(item.setEnabled(true));
        QCOMPARE(item.status(), LoginItem::Status::enabled);
        QFile entry(item.entryPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString exec = "Exec=\"" + config.path() + "/my \\\\\"apps\\\\\"/corvane\" --at-login";
        QVERIFY2(QString::fromUtf8(entry.readAll()).split('\n').contains(exec), qPrintable(exec));
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start("desktop-file-validate", {item.entryPath()});
        QVERIFY2(validate.waitForFinished(10'000), "desktop-file-validate (scripts/setup --test) did not run");
        QCOMPARE(validate.readAll() + QByteArray::number(validate.exitCode()), "0");

        QVERIFY(item.setEnabled(false));
        QVERIFY(!QFile::exists(item.entryPath()));
        QCOMPARE(item.status(), LoginItem::Status::notRegistered);
    }

    void status_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<LoginItem::Status>("status");
        QTest::newRow("no entry") << "/bin/corvane" << QByteArray() << LoginItem::Status::notRegistered;
        QTest::newRow("shown") << "/bin/corvane" << QByteArray("Hidden=false") << LoginItem::Status::enabled;
        QTest::newRow("hidden by the user")
            << "/bin/corvane" << QByteArray("Hidden=true") << LoginItem::Status::notRegistered;
        QTest::newRow("turned off in the desktop's settings")
            << "/bin/corvane" << QByteArray("X-GNOME-Autostart-enabled=false") << LoginItem::Status::notRegistered;
        QTest::newRow("program unknown") << "" << QByteArray("Hidden=false") << LoginItem::Status::notFound;
    }
    void status()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, keys);
        QTemporaryDir config;
        XdgAutostartLoginItem item(config.path(), program);
        QFile file(item.entryPath());
        if (!keys.isEmpty()) {
            QVERIFY(QDir().mkpath(config.filePath("autostart")) && file.open(QIODevice::WriteOnly));
            file.write("[Desktop Entry]\nType=Application\nName=Corvane\nExec=corvane\n" + keys + "\n");
            file.close();
        }
        QTEST(item.status(), "status");
        QCOMPARE(item.setEnabled(true).has_value(), !program.isEmpty());
    }
};

CORVANE_TEST(LoginItemTest)

} // namespace corvane

#include "LoginItemTest.moc"
