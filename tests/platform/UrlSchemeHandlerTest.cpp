#include "platform/UrlSchemeHandler.h"
#include "support/HeadlessSession.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

namespace corvane {

namespace {

QString defaultHandler()
{
    QProcess query;
    query.start("xdg-mime", {"query", "default", "x-scheme-handler/corvane-test"});
    query.waitForFinished(10'000);
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

// Registration through xdg-mime in the private session's own configuration folders.
class UrlSchemeHandlerTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/mimeapps.list");
        QFile::remove(entryPath());
    }

    void cleanup()
    {
        if (m_systemDataFolders.isEmpty()) {
            qunsetenv("XDG_DATA_DIRS");
        } else {
            qputenv("XDG_DATA_DIRS", m_systemDataFolders);
        }
    }

    // Without an installed entry, a hidden one is written and chosen as the handler.
    void registersWhenNoHandlerIsChosen()
    {
        QCoro::waitFor(
            UrlSchemeHandler::ensureRegistered("dev.corvane.test.desktop", "corvane-test", "/opt/my apps/$corvane"));
        QCOMPARE(defaultHandler(), "dev.corvane.test.desktop");
        QFile entry(entryPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY(text.contains("\nExec=\"/opt/my apps/\\\\$corvane\" %u\n"));
        QVERIFY(text.contains("\nNoDisplay=true\n"));
        QVERIFY(text.contains("\nMimeType=x-scheme-handler/corvane-test;\n"));
    }

    // An installed entry is the handler: the hidden entry a build run from a source tree wrote goes, also
    // when the desktop already names that entry as the handler, since it would hide the installed one.
    void installedEntryReplacesOwnHiddenOne()
    {
        QCoro::waitFor(
            UrlSchemeHandler::ensureRegistered("dev.corvane.test.desktop", "corvane-test", "/src/build/corvane"));
        QVERIFY(QFile::exists(entryPath()));
        const QTemporaryDir system;
        install(system);
        QCoro::waitFor(
            UrlSchemeHandler::ensureRegistered("dev.corvane.test.desktop", "corvane-test", "/usr/bin/corvane"));
        QVERIFY(!QFile::exists(entryPath()));
        QCOMPARE(defaultHandler(), "dev.corvane.test.desktop");
    }

    // An entry of the user's own under the same name (a menu editor's copy) is not ours to remove.
    void usersOwnEntryStays()
    {
        QFile own(entryPath());
        QVERIFY(QDir().mkpath(QFileInfo(entryPath()).absolutePath()));
        QVERIFY(own.open(QIODevice::WriteOnly));
        own.write("[Desktop Entry]\nType=Application\nName=Corvane (mine)\nExec=corvane %u\n"
                  "MimeType=x-scheme-handler/corvane-test;\n");
        own.close();
        const QTemporaryDir system;
        install(system);
        QCoro::waitFor(
            UrlSchemeHandler::ensureRegistered("dev.corvane.test.desktop", "corvane-test", "/usr/bin/corvane"));
        QVERIFY(QFile::exists(entryPath()));
    }

    void execLineQuoting_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("exec");
        QTest::newRow("reserved characters") << "/tmp/a\"b$c`d\\e" << "\"/tmp/a\\\"b\\$c\\`d\\\\e\" %u";
        QTest::newRow("percent") << "/tmp/100%/corvane" << "/tmp/100%%/corvane %u";
    }
    void execLineQuoting()
    {
        QFETCH(QString, executable);
        QFETCH(QString, exec);
        QCOMPARE(UrlSchemeHandler::execLine(executable), exec);
    }

private:
    // Installs an entry called dev.corvane.test.desktop into `folder`, made a system data folder.
    void install(const QTemporaryDir& folder)
    {
        QVERIFY(folder.isValid());
        QVERIFY(QDir(folder.path()).mkpath("applications"));
        QFile entry(folder.path() + "/applications/dev.corvane.test.desktop");
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Corvane Test\nExec=corvane %u\n"
                    "MimeType=x-scheme-handler/corvane-test;\n");
        entry.close();
        const QByteArray systemFolders
            = m_systemDataFolders.isEmpty() ? "/usr/local/share:/usr/share" : m_systemDataFolders;
        qputenv("XDG_DATA_DIRS", folder.path().toUtf8() + ':' + systemFolders);
    }

    static QString entryPath()
    {
        return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + "/dev.corvane.test.desktop";
    }

    // $XDG_DATA_DIRS as the session has it; a test that installs an entry changes it, cleanup() restores it.
    const QByteArray m_systemDataFolders = qgetenv("XDG_DATA_DIRS");
};

CORVANE_TEST(UrlSchemeHandlerTest)

} // namespace corvane

#include "UrlSchemeHandlerTest.moc"
