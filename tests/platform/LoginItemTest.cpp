#include "platform/XdgAutostartLoginItem.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace corvane {

// The autostart entry in a real configuration folder.
class LoginItemTest : public QObject {
    Q_OBJECT

private slots:
    // The program path needs both layers of the Exec escaping: the argument's quoting, then the
    // backslash escaping of string values.
    void enablingWritesAValidEntryAndDisablingRemovesIt()
    {
        QTemporaryDir config;
        const QString program = config.filePath("my \"apps\"/corvane");
        XdgAutostartLoginItem item(config.path(), program);
        QVERIFY(item.setEnabled(true));
        QCOMPARE(item.status(), LoginItem::Status::enabled);
        QFile entry(item.entryPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString exec = "Exec=\"" + config.path() + "/my \\\\\"apps\\\\\"/corvane\" --at-login";
        QVERIFY2(QString::fromUtf8(entry.readAll()).split('\n').contains(exec), qPrintable(exec));

        const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
        QVERIFY2(!validator.isEmpty(), "desktop-file-validate is missing: scripts/setup --test installs it");
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {item.entryPath()});
        QVERIFY(validate.waitForFinished(10'000));
        QCOMPARE(QString::fromLocal8Bit(validate.readAll()), QString());
        QCOMPARE(validate.exitCode(), 0);

        QVERIFY(item.setEnabled(false));
        QVERIFY(!QFile::exists(item.entryPath()));
        QCOMPARE(item.status(), LoginItem::Status::notRegistered);
    }

    void status_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<LoginItem::Status>("status");
        const QByteArray head = "[Desktop Entry]\nType=Application\nName=Corvane\nExec=corvane --at-login\n";
        QTest::newRow("no entry") << "/usr/bin/corvane" << QByteArray() << LoginItem::Status::notRegistered;
        QTest::newRow("shown") << "/usr/bin/corvane" << head + "Hidden=false\n" << LoginItem::Status::enabled;
        QTest::newRow("hidden by the user") << "/usr/bin/corvane" << head + "Hidden=true\n"
                                            << LoginItem::Status::notRegistered;
        QTest::newRow("turned off in the desktop's settings")
            << "/usr/bin/corvane" << head + "X-GNOME-Autostart-enabled=false\n"
            << LoginItem::Status::notRegistered;
        QTest::newRow("program unknown") << "" << head << LoginItem::Status::notFound;
    }
    void status()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, entry);
        QFETCH(LoginItem::Status, status);
        QTemporaryDir config;
        XdgAutostartLoginItem item(config.path(), program);
        if (!entry.isEmpty()) {
            QVERIFY(QDir().mkpath(config.filePath("autostart")));
            QFile file(item.entryPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(entry);
        }
        QCOMPARE(item.status(), status);
        if (status == LoginItem::Status::notFound) {
            QVERIFY(!item.setEnabled(true));
        }
    }
};

CORVANE_TEST(LoginItemTest)

} // namespace corvane

#include "LoginItemTest.moc"
