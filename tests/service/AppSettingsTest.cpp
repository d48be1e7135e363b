#include "service/AppSettings.h"
#include "platform/SecretServiceStore.h"
#include "support/HeadlessSession.h"
#include "support/TestRegistry.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

using namespace corvane;

class AppSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
    }

    // Against the real gnome-keyring of the private session: it keeps one token.
    void writeReadsBackAndClearingLeavesTheEmptyToken()
    {
        QTemporaryDir folder;
        SecretServiceStore store(std::chrono::seconds(10), folder.filePath("fallback"));
        QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(store, "key-1")));
        QVERIFY(QCoro::waitFor(AppSettings::keychainWrite(store, "second with spaces and ünïcode")));
        QCOMPARE(
            QCoro::waitFor(AppSettings::keychainRead(store)), std::optional<QString>("second with spaces and ünïcode"));

        AppSettings::setAccountEmail("dev@example.com");
        AppSettings::setServiceURL("http://127.0.0.1:9");
        AppSettings::setPollIntervalMs(2000);
        QCoro::waitFor(AppSettings::clearSession(store));
        QCOMPARE(QCoro::waitFor(AppSettings::keychainRead(store)), std::optional<QString>(""));
        QCOMPARE(AppSettings::accountEmail(), std::nullopt);
        QCOMPARE(AppSettings::serviceURL(), "http://127.0.0.1:9");
        QCOMPARE(AppSettings::pollIntervalMs(), 2000);
        QVERIFY2(!QFile::exists(folder.filePath("fallback")), "the Secret Service was reachable");
    }

    void failedWriteIsLoggedOnceAndReportedFalse()
    {
        QTemporaryDir folder;
        // A store that cannot write (its folder is a file): only the log line and the false result tell.
        FileSecretStore blocked(folder.filePath("file"));
        QCOMPARE(QCoro::waitFor(blocked.write("x")), 0);
        FileSecretStore store(folder.filePath("file/token"));
        QTest::ignoreMessage(QtWarningMsg, "keychainWrite failed: OSStatus 1");
        QVERIFY(!QCoro::waitFor(AppSettings::keychainWrite(store, "key")));
    }
};

CORVANE_TEST(AppSettingsTest)
#include "AppSettingsTest.moc"
