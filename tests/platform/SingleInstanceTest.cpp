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

    // Nothing running means no answer; the lock of a process that has ended is taken over, and so is
    // the socket it left behind.
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
        QVERIFY(!running.forward(std::nullopt, 300ms));
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

        for (const QByteArray& garbage : {QByteArray("launch missiles\n"), QByteArray(70 * 1024, 'x')}) {
            QLocalSocket socket;
            socket.connectToServer(folder.filePath("instance.socket"));
            QVERIFY(socket.waitForConnected(5000));
            socket.write(garbage);
            QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
        }

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
