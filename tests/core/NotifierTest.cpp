#include "core/Notifier.h"
#include "support/FakeNotificationServer.h"
#include "support/HeadlessSession.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <memory>

using namespace corvane;
using test::FakeNotificationServer;

class NotifierTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        m_server = std::make_unique<FakeNotificationServer>();
    }
    void cleanup() { m_server.reset(); }

    void postsWhatItIsGiven_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("sound");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("soundHint");
        QTest::addColumn<QString>("soundValue");
        QTest::addColumn<QString>("shownBody");

        QTest::newRow("empty title") << "" << "body" << "" << "corvane" << "sound-name" << "message-new-instant"
                                     << QString();
        // Long texts end in an ellipsis at a character boundary (never inside e + U+0301), lines kept.
        const QString lines = QString("line\n").repeated(100);
        const QString accent = QString(298, 'a') + "e\u0301zzzz";
        const QString sound = "sound-name";
        const QString noSound = "message-new-instant";
        QTest::newRow("long body") << "T" << lines << "" << "T" << sound << noSound << lines.left(299) + "…";
        QTest::newRow("mark at the cut") << "T" << accent << "" << "T" << sound << noSound << accent.left(298) + "…";
        QTest::newRow("long title") << QString(200, 'T') << "" << "" << QString(119, 'T') + "…" << sound << noSound
                                    << "";
        QTest::newRow("one space is a title")
            << " " << "" << "Ping" << " " << "sound-file" << "/sounds/Ping.aiff" << QString();
        // The relay names the sound: only the bundled ones and files of the sounds folder play.
        for (const char* outside : {"../x", "/etc/passwd", "Klaxon"}) {
            QTest::newRow(outside) << "T" << "" << outside << "T" << "sound-name" << "message-new-instant" << QString();
        }
    }
    void postsWhatItIsGiven()
    {
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QString, sound);
        QFETCH(QString, summary);
        QFETCH(QString, soundHint);
        QFETCH(QString, soundValue);
        QFETCH(QString, shownBody);

        if (soundHint == "sound-name" && !sound.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Sound \"" + QRegularExpression::escape(sound)));
        }
        Notifier notifier(QDBusConnection::sessionBus(), "/sounds");
        const auto soundName = sound.isEmpty() ? std::nullopt : std::optional(sound);
        QCoro::waitFor(notifier.fire(title, body, soundName));

        QTRY_COMPARE(m_server->received().size(), 1);
        const auto notification = m_server->received().front();
        QCOMPARE(notification.appName, "corvane");
        QCOMPARE(notification.replacesId, 0U);
        QCOMPARE(notification.summary, summary);
        QCOMPARE(notification.body, shownBody.isNull() ? body : shownBody);
        QCOMPARE(notification.hints.value(soundHint).toString(), soundValue);
        QVERIFY(notifier.isAuthorized());
    }

    // With no notification server on the bus, firing returns normally and leaves the notifier
    // unauthorized, so that the next call asks again. A server that answers late costs the caller the
    // notifier's timeout, not the server's delay.
    void missingOrSlowServerHoldsNothing()
    {
        m_server.reset();
        Notifier notifier(QDBusConnection::sessionBus(), "/sounds", std::chrono::milliseconds(200));
        QCoro::waitFor(notifier.requestAuthorizationIfNeeded());
        QVERIFY(!notifier.isAuthorized());
        QCoro::waitFor(notifier.fire("title", "body", "Ping"));
        QVERIFY(!notifier.isAuthorized());

        m_server = std::make_unique<FakeNotificationServer>(QStringList{"body", "sound"}, 3000);
        QCoro::waitFor(notifier.fire("later", "", std::nullopt));
        QVERIFY(notifier.isAuthorized() && m_server->received().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 1, 10'000);
    }

private:
    std::unique_ptr<FakeNotificationServer> m_server;
};

CORVANE_TEST(NotifierTest)
#include "NotifierTest.moc"
