#include "platform/SingleInstance.h"
#include "support/TestRegistry.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

namespace corvane {

using namespace std::chrono_literals;

// One instance per folder; the others hand over their request. The forwarding side blocks, so it
// runs on another thread while the running instance answers on this one.
class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void secondInstanceHandsOverAndTheFirstHears()
    {
        QTemporaryDir folder;
        SingleInstance running(folder.path());
        QVERIFY(running.claim());
        SingleInstance second(folder.path());
        QVERIFY(!second.claim());

        QSignalSpy activations(&running, &SingleInstance::activationRequested);
        QSignalSpy urls(&running, &SingleInstance::urlReceived);
        QVERIFY(forwarded(second, std::nullopt));
        QCOMPARE(activations.size(), 1);
        const QString link = "corvane://auth/callback?code=a%20b&state=é";
        QVERIFY(forwarded(second, link));
        QCOMPARE(urls.size(), 1);
        QCOMPARE(urls.front().front().toString(), link);
    }

    void nothingRunningMeansNoAnswer()
    {
        QTemporaryDir folder;
        const SingleInstance alone(folder.path());
        QVERIFY(!alone.forward(std::nullopt, 300ms));
    }

    // The lock of a process that has ended is taken over, and so is the socket it left behind.
    void aStaleLockIsTakenOver()
    {
        QTemporaryDir folder;
        {
            QFile lock(folder.filePath("instance.lock"));
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write("999999999\ncorvane\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        }
        QFile(folder.filePath("instance.socket")).open(QIODevice::WriteOnly);
        SingleInstance running(folder.path());
        QVERIFY(running.claim());
        SingleInstance second(folder.path());
        QVERIFY(forwarded(second, std::nullopt));
    }

    // Requests that are not the protocol change nothing and do not block later ones.
    void garbageIsIgnored()
    {
        QTemporaryDir folder;
        SingleInstance running(folder.path());
        QVERIFY(running.claim());
        QSignalSpy activations(&running, &SingleInstance::activationRequested);
        QSignalSpy urls(&running, &SingleInstance::urlReceived);

        QLocalSocket unknown;
        unknown.connectToServer(folder.filePath("instance.socket"));
        QVERIFY(unknown.waitForConnected(5000));
        unknown.write("launch missiles\n");
        QTRY_COMPARE(unknown.state(), QLocalSocket::UnconnectedState);

        QLocalSocket endless;
        endless.connectToServer(folder.filePath("instance.socket"));
        QVERIFY(endless.waitForConnected(5000));
        endless.write(QByteArray(70 * 1024, 'x'));
        QTRY_COMPARE(endless.state(), QLocalSocket::UnconnectedState);

        SingleInstance second(folder.path());
        QVERIFY(forwarded(second, std::nullopt));
        QCOMPARE(activations.size(), 1);
        QCOMPARE(urls.size(), 0);
    }

private:
    static bool forwarded(const SingleInstance& instance, std::optional<QString> url)
    {
        auto result = QtConcurrent::run([&instance, url] { return instance.forward(url, 5s); });
        return QTest::qWaitFor([&result] { return result.isFinished(); }, 10'000) && result.result();
    }
};

CORVANE_TEST(SingleInstanceTest)

} // namespace corvane

#include "SingleInstanceTest.moc"
