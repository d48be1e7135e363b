#include "platform/DesktopNotifier.h"
#include "platform/NotificationText.h"
#include "support/FakeNotificationServer.h"
#include "support/HeadlessSession.h"
#include "support/TestRegistry.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <memory>

using namespace corvane;
using test::FakeNotificationServer;

namespace {

Notification notification(const QString& title, const QString& body, std::optional<QString> sound = std::nullopt)
{
    return {.title = title, .body = body, .sound = std::move(sound), .payloadId = {}, .link = std::nullopt};
}

} // namespace

class DesktopNotifierTest : public QObject {
    Q_OBJECT

public:
    DesktopNotifierTest() { QFile(m_sounds.filePath("Ping.aiff")).open(QIODevice::WriteOnly); }

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
        QTest::newRow("one space is a title")
            << " " << "" << "Ping" << " " << "sound-file" << m_sounds.filePath("Ping.aiff");
        // The relay names the sound: only files of the sounds folder play.
        for (const char* outside : {"../x", "/etc/passwd", "Klaxon", "Funk"}) {
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
        DesktopNotifier notifier(QDBusConnection::sessionBus(), m_sounds.path());
        const auto soundName = sound.isEmpty() ? std::nullopt : std::optional(sound);
        QCoro::waitFor(notifier.fire(notification(title, body, soundName)));

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
        DesktopNotifier notifier(QDBusConnection::sessionBus(), m_sounds.path());
        const QString body = R"(<b>bold</b> <a href="file:///etc/passwd">open</a> <img src="http://127.0.0.1:9/x">)";
        QCoro::waitFor(notifier.fire(notification("Fix <init> & cleanup", body)));
        QCoro::waitFor(notifier.fire(notification(QString(9 << 20, 'T'), "")));
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
        DesktopNotifier notifier(QDBusConnection::sessionBus(), m_sounds.path(), std::chrono::milliseconds(200));
        QCoro::waitFor(notifier.requestAuthorizationIfNeeded());
        QVERIFY(!notifier.isAuthorized());
        QCoro::waitFor(notifier.fire(notification("title", "body", "Ping")));
        QVERIFY(!notifier.isAuthorized());

        m_server = std::make_unique<FakeNotificationServer>(QStringList{"body", "sound"}, 3000);
        QCoro::waitFor(notifier.fire(notification("later", "")));
        QVERIFY(notifier.isAuthorized() && m_server->received().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 1, 10'000);
    }

    // A click comes back as what the notification was posted with: the link, else the webhook; with a
    // link, the webhook is a second action.
    void clicksComeBack()
    {
        m_server.reset();
        m_server = std::make_unique<FakeNotificationServer>(QStringList{"body", "actions"});
        DesktopNotifier notifier(QDBusConnection::sessionBus(), m_sounds.path());
        QSignalSpy payloads(&notifier, &Notifier::payloadRequested);
        QSignalSpy links(&notifier, &Notifier::linkRequested);
        const QUrl link("https://git.example.test/atlas/pull/7");
        Notification plain = notification("plain", "");
        plain.payloadId = "w1";
        Notification linked = notification("linked", "");
        linked.payloadId = "w2";
        linked.link = link;
        QCoro::waitFor(notifier.fire(plain));
        QCoro::waitFor(notifier.fire(linked));
        QTRY_COMPARE(m_server->received().size(), 2);
        const auto received = m_server->received();
        QCOMPARE(received[0].actions, QStringList({"default", "Show in Corvane"}));
        QCOMPARE(received[1].actions, QStringList({"default", "Open link", "show", "Show in Corvane"}));

        m_server->invokeAction(received[0].id, "default");
        QTRY_COMPARE(payloads.size(), 1);
        QCOMPARE(payloads[0][0].toString(), "w1");
        m_server->invokeAction(received[1].id, "default");
        QTRY_COMPARE(links.size(), 1);
        QCOMPARE(links[0][0].toUrl(), link);
        m_server->invokeAction(received[1].id, "show");
        QTRY_COMPARE(payloads.size(), 2);
        QCOMPARE(payloads[1][0].toString(), "w2");
    }

private:
    QTemporaryDir m_sounds;
    std::unique_ptr<FakeNotificationServer> m_server;
};

CORVANE_TEST(DesktopNotifierTest)
#include "DesktopNotifierTest.moc"
