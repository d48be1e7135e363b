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
    // A link, or none to raise the window, with the desktop's activation token when there is one.
    void secondInstanceHandsOverAndTheFirstHears_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("heardToken");
        const QString link = "corvane://auth/callback?code=a%20b&state=é";
        QTest::newRow("activate") << QString() << QString() << QString();
        QTest::newRow("activate with a startup id") << QString() << "host_TIME42" << "host_TIME42";
        QTest::newRow("link") << link << QString() << QString();
        QTest::newRow("link with a token") << link << "wl:7f=é" << "wl:7f=é";
        QTest::newRow("a token that would break the line") << link << "a\tb" << QString();
    }

    void secondInstanceHandsOverAndTheFirstHears()
    {
        QFETCH(QString, url);
        QFETCH(QString, token);
        QFETCH(QString, heardToken);
        QTemporaryDir folder;
        SingleInstance running(folder.path());
        QVERIFY(running.claim());
        SingleInstance second(folder.path());
        QVERIFY(!second.claim());

        QSignalSpy activations(&running, &SingleInstance::activationRequested);
        QSignalSpy urls(&running, &SingleInstance::urlReceived);
        QVERIFY(forwarded(second, url.isEmpty() ? std::nullopt : std::optional(url), token));
        const QVariantList heard = url.isEmpty() ? activations.value(0) : urls.value(0);
        const QVariantList expected = url.isEmpty() ? QVariantList{heardToken} : QVariantList{url, heardToken};
        QCOMPARE(activations.size() + urls.size(), 1);
        QCOMPARE(heard, expected);
    }

    // Requests of older and newer versions: without fields, and with fields this one does not know.
    void linesOfOtherVersionsAreHeard_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("token");
        QTest::newRow("without fields") << QByteArray("open corvane://x\n") << QString();
        QTest::newRow("an unknown field")
            << QByteArray("open corvane://x\tcolour=blue\tactivation-token=t1\n") << QString("t1");
    }

    void linesOfOtherVersionsAreHeard()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, token);
        QTemporaryDir folder;
        SingleInstance running(folder.path());
        QVERIFY(running.claim());
        QSignalSpy urls(&running, &SingleInstance::urlReceived);
        QLocalSocket socket;
        socket.connectToServer(folder.filePath("instance.socket"));
        QVERIFY(socket.waitForConnected(5000));
        socket.write(line);
        QTRY_COMPARE(urls.size(), 1);
        QCOMPARE(urls.front(), (QVariantList{"corvane://x", token}));
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
        QVERIFY(!running.forward(std::nullopt, {}, 300ms));
        QVERIFY(running.claim());
        SingleInstance second(folder.path());
        QVERIFY(forwarded(second, std::nullopt, {}));
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
        QVERIFY(forwarded(second, std::nullopt, {}));
        QCOMPARE(activations.size(), 1);
        QCOMPARE(urls.size(), 0);
    }

private:
    static bool forwarded(const SingleInstance& instance, std::optional<QString> url, const QString& token)
    {
        auto result = QtConcurrent::run([&instance, url, token] { return instance.forward(url, token, 5s); });
        return QTest::qWaitFor([&result] { return result.isFinished(); }, 10'000) && result.result();
    }
};

CORVANE_TEST(SingleInstanceTest)

} // namespace corvane

#include "SingleInstanceTest.moc"
