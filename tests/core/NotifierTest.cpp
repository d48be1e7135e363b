#include "core/Notifier.h"
#include "core/NotificationText.h"
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

        QTest::newRow("empty title") << "" << "body" << "" << "corvane" << "sound-name" << "message-new-instant";
        QTest::newRow("one space is a title") << " " << "" << "Ping" << " " << "sound-file" << "/sounds/Ping.aiff";
        // The relay names the sound: only the bundled ones and files of the sounds folder play.
        for (const char* outside : {"../x", "/etc/passwd", "Klaxon"}) {
            QTest::newRow(outside) << "T" << "" << outside << "T" << "sound-name" << "message-new-instant";
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
        QCOMPARE(notification.body, body);
        QCOMPARE(notification.hints.value(soundHint).toString(), soundValue);
        QVERIFY(notifier.isAuthorized());
    }

    // What a notification shows of a text: cut at a character boundary, looking only at its start;
    // line breaks and tabs kept; what steers the drawing or ends a D-Bus string gone.
    void shownText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString lines = QString("line\n").repeated(100);
        const QString accent = QString(298, 'a') + "e\u0301zzzz";
        QTest::newRow("lines") << lines << lines.left(299) + "…";
        QTest::newRow("mark at the cut") << accent << accent.left(298) + "…";
        QTest::newRow("10 MiB") << QString(10 << 20, 'x') << QString(299, 'x') + "…";
        QTest::newRow("direction override") << "invoice\u202Efdp.exe" << "invoicefdp.exe";
        QTest::newRow("escape and bell") << "a\x1b[31mb\x07"
                                            "c\td"
                                         << "a[31mbc\td";
        QTest::newRow("NUL first") << QString(QChar(0)) + "body" << "\uFFFDbody";
        QTest::newRow("stacked marks") << "Z" + QString(10'000, QChar(0x0301)) << "Z" + QString(4, QChar(0x0301)) + "…";
    }
    void shownText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(NotificationText::shown(text, NotificationText::bodyLength), shown);
    }

    // A server that reads markup gets the body escaped, so no tag, link or image takes effect; the
    // summary is plain text to every server. Both are bounded.
    void markupIsEscaped()
    {
        m_server.reset();
        m_server = std::make_unique<FakeNotificationServer>(QStringList{"body", "body-markup", "sound"});
        Notifier notifier(QDBusConnection::sessionBus(), "/sounds");
        const QString body = R"(<b>bold</b> <a href="file:///etc/passwd">open</a> <img src="http://127.0.0.1:9/x">)";
        QCoro::waitFor(notifier.fire("Fix <init> & cleanup", body, std::nullopt));
        QCoro::waitFor(notifier.fire(QString(9 << 20, 'T'), "", std::nullopt));
        QTRY_COMPARE(m_server->received().size(), 2);
        QCOMPARE(m_server->received()[0].summary, "Fix <init> & cleanup");
        QCOMPARE(m_server->received()[0].body,
            QString(body).replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;"));
        QCOMPARE(m_server->received()[1].summary, QString(119, 'T') + "…");
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
