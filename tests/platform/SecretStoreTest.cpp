#include "platform/FileSecretStore.h"
#include "platform/SecretServiceStore.h"
#include "support/HeadlessSession.h"
#include "support/TestRegistry.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <csignal>
#include <sys/stat.h>

using namespace corvane;
using namespace std::chrono_literals;

namespace {

// The permission bits of a file, as in `ls -l`.
unsigned modeOf(const QString& path)
{
    struct stat status{};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 0777U : 0U;
}

} // namespace

class SecretStoreTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void fileStoreIsPrivateAndExact()
    {
        QTemporaryDir folder;
        FileSecretStore store(folder.filePath("corvane/api-token"));
        QCOMPARE(QCoro::waitFor(store.read()), std::nullopt);
        for (const QString token : {"token-1", "token-2", ""}) {
            QCOMPARE(QCoro::waitFor(store.write(token)), 0);
            QCOMPARE(QCoro::waitFor(store.read()), std::optional(token));
        }
        QCOMPARE(modeOf(store.path()), 0600U);
        QCOMPARE(modeOf(folder.filePath("corvane")), 0700U);

        QFile file(store.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xC3\x28");
        file.close();
        QCOMPARE(QCoro::waitFor(store.read()), std::nullopt);

        FileSecretStore blocked(folder.filePath("corvane/api-token/inside-a-file"));
        QCOMPARE(QCoro::waitFor(blocked.write("x")), FileSecretStore::folderNotCreated);
    }

    // A process whose Secret Service name has no owner keeps the token in the private file instead,
    // and says so once; what it read there is remembered until forgotten.
    void fallsBackToAFileWithoutASecretService()
    {
        QTemporaryDir folder;
        QProcess probe;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("SECRET_SERVICE_BUS_NAME", "dev.corvane.test.NoSecretService");
        probe.setProcessEnvironment(environment);
        const QString path = folder.filePath("api-token");
        probe.start(QCoreApplication::applicationDirPath() + "/secret_store_probe", {path, "kept-token"});
        QVERIFY(probe.waitForFinished(30'000));
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(probe.readAllStandardOutput(), QByteArray("kept-token\nkept-token\nchanged\n"));
        QCOMPARE(probe.readAllStandardError().count("No Secret Service answers"), 1);
        QCOMPARE(modeOf(path), 0600U);
    }

    // A keyring that stops answering (here: a stopped daemon) costs each call its timeout, no more. A
    // token once found answers the reads that follow from memory; a write sends the next read to the
    // keyring again.
    void unresponsiveServiceTimesOut()
    {
        const auto pid = QDBusConnection::sessionBus().interface()->servicePid("org.freedesktop.secrets");
        QVERIFY(pid.isValid() && pid.value() > 0);
        QTemporaryDir folder;
        SecretServiceStore fresh(300ms, folder.filePath("fallback"));
        SecretServiceStore found(300ms, folder.filePath("fallback"));
        QCOMPARE(QCoro::waitFor(found.write("kept")), 0);
        QCOMPARE(QCoro::waitFor(found.read()), std::optional<QString>("kept"));

        QCOMPARE(::kill(static_cast<pid_t>(pid.value()), SIGSTOP), 0);
        const auto unknown = QCoro::waitFor(fresh.read());
        const auto remembered = QCoro::waitFor(found.read());
        const int written = QCoro::waitFor(found.write("during"));
        const auto afterWrite = QCoro::waitFor(found.read());
        QCOMPARE(::kill(static_cast<pid_t>(pid.value()), SIGCONT), 0);

        QCOMPARE(unknown, std::nullopt);
        QCOMPARE(remembered, std::optional<QString>("kept"));
        QCOMPARE(written, SecretServiceStore::timedOut);
        QCOMPARE(afterWrite, std::nullopt);
        QVERIFY(!QFile::exists(folder.filePath("fallback")));
        // The keyring answers again once it runs; the write that timed out may still land then.
        QTRY_VERIFY_WITH_TIMEOUT(QCoro::waitFor(fresh.read()).has_value(), 10'000);
        const auto after = QCoro::waitFor(fresh.read());
        QVERIFY(after == "kept" || after == "during");
    }
};

CORVANE_TEST(SecretStoreTest)
#include "SecretStoreTest.moc"
