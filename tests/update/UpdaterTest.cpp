#include "update/Updater.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestRegistry.h"
#include "update/FeedDocument.h"
#include "update/TestSigningKey.h"
#include "update/UpdateWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

#include <memory>

using namespace corvane;
using test::feedDocument;
using test::feedItem;
using test::ScriptedHttpServer;
using test::TestSigningKey;
using Page = UpdateWindow::Page;

Q_DECLARE_METATYPE(corvane::UpdateWindow::Page)

namespace {

const QByteArray feedPath = "/feed.xml";
QtMessageHandler previousHandler = nullptr;
const QByteArray downloadPage = "https://downloads.example.org/corvane/1.5.0";
// The browser would get any of these schemes.
const char* const browserSchemes[] = {"https", "http", "file", "javascript", "corvane"};

QString label(const UpdateWindow& window, const char* name)
{
    return window.findChild<QLabel*>(name)->text();
}

QPushButton* button(const UpdateWindow& window, QDialogButtonBox::StandardButton which)
{
    return window.findChild<QDialogButtonBox*>("buttons")->button(which);
}

QByteArray newerFeed(const QByteArray& extra = {})
{
    return feedDocument({feedItem("1.4.0", "27"), feedItem("1.5.0", "31", downloadPage, extra)});
}

} // namespace

// Whole checks against a local HTTP server, through the real window on the offscreen platform. The
// running version is 1.4.0 (27).
class UpdaterTest : public QObject {
    Q_OBJECT

public slots:
    // The desktop's browser, as far as these tests are concerned.
    void openInBrowser(const QUrl& url) { m_opened.append(url); }

private slots:
    void initTestCase()
    {
        m_key = TestSigningKey::ed25519();
        // The offscreen platform says so for every window shown; nothing else is dropped.
        previousHandler
            = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
                  if (!text.startsWith("This plugin does not support")) {
                      previousHandler(type, context, text);
                  }
              });
    }

    void cleanupTestCase() { qInstallMessageHandler(previousHandler); }

    void init()
    {
        m_server = std::make_unique<ScriptedHttpServer>();
        m_opened.clear();
        for (const char* scheme : browserSchemes) {
            QDesktopServices::setUrlHandler(scheme, this, "openInBrowser");
        }
    }

    void cleanup()
    {
        for (const char* scheme : browserSchemes) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
        m_server.reset();
    }

    void answersOfTheFeedServer_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<Page>("page");
        QTest::addColumn<QString>("detail");

        const auto ok
            = [](const QByteArray& feed) { return ScriptedHttpServer::response(200, feed, "application/rss+xml"); };
        QTest::newRow("same version") << ok(feedDocument({feedItem("1.4.0", "27")})) << Page::upToDate
                                      << "Corvane 1.4.0 (27) is the newest version available.";
        QTest::newRow("older versions only")
            << ok(feedDocument({feedItem("1.3.9"), feedItem("1.4.0", "26")})) << Page::upToDate << "1.4.0 (27)";
        QTest::newRow("HTTP 500") << ScriptedHttpServer::response(500, "oops", "text/plain") << Page::failed
                                  << "Could not load http://127.0.0.1:*/feed.xml: HTTP 500";
        QTest::newRow("feed larger than the limit, length not announced")
            << "HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\nConnection: close\r\n\r\n"
                + feedDocument({feedItem("1.5.0", "", downloadPage, QByteArray(70 * 1024, ' '))})
            << Page::failed << "the answer is larger than 65536 bytes";
        QTest::newRow("silent server") << QByteArray() << Page::failed << "feed.xml: nothing arrived for 0.05 seconds";
    }
    void answersOfTheFeedServer()
    {
        QFETCH(QByteArray, answer);
        QFETCH(Page, page);
        QFETCH(QString, detail);

        UpdateSettings checked = settings();
        if (answer.isEmpty()) {
            m_server->hang(feedPath);
            checked.timeout = std::chrono::milliseconds(50);
        } else {
            m_server->script(feedPath, answer);
        }
        Updater updater(m_network, checked);
        updater.checkForUpdates();
        QCOMPARE(updater.window()->page(), Page::checking);
        QTRY_VERIFY(!updater.isChecking());

        QCOMPARE(updater.window()->page(), page);
        const QString shown = label(*updater.window(), "detail");
        const auto pattern = QRegularExpression::escape(detail).replace("\\*", "\\d+");
        QVERIFY2(shown.contains(QRegularExpression(pattern)), qPrintable(shown));
        QVERIFY(m_opened.isEmpty());
    }

    // A newer release is offered with the notes its link points to; Download opens its page.
    void newerVersionIsOfferedWithItsNotes()
    {
        m_server->script(feedPath,
            ScriptedHttpServer::response(200,
                newerFeed("<corvane:releaseNotesLink>" + m_server->baseURL().toUtf8()
                    + "/notes/1.5.0</corvane:releaseNotesLink>"),
                "application/rss+xml"));
        m_server->script("/notes/1.5.0",
            ScriptedHttpServer::response(
                200, "<h2>1.5.0</h2><ul><li>Faster polling</li></ul>", "text/html; charset=utf-8"));
        Updater updater(m_network, settings());
        updater.checkForUpdates();
        QTRY_VERIFY(!updater.isChecking());

        const UpdateWindow& window = *updater.window();
        QCOMPARE(window.page(), Page::updateAvailable);
        QVERIFY(label(window, "detail").startsWith("Corvane 1.5.0 (31) is available — you have 1.4.0 (27)."));
        const QString shownNotes = window.findChild<QTextBrowser*>("releaseNotes")->toPlainText();
        QVERIFY2(shownNotes.contains("1.5.0\nFaster polling"), qPrintable(shownNotes));

        window.findChild<QPushButton*>("download")->click();
        QCOMPARE(m_opened, QList<QUrl>{QUrl(downloadPage)});
        QVERIFY(!window.isVisible());
    }

    // Notes carried in the feed are shown; their clicked links reach the browser only when they are
    // http or https.
    void onlyWebLinksInTheNotesOpen()
    {
        const QByteArray notes = "<description><![CDATA[<a href='file:///etc/passwd'>one</a> <a href='javascript:x()'>"
                                 "two</a> <a href='corvane://x'>three</a> <a href='https://example.org/notes'>four</a>"
                                 "]]></description>";
        m_server->script(feedPath, ScriptedHttpServer::response(200, newerFeed(notes), "application/rss+xml"));
        Updater updater(m_network, settings());
        updater.checkForUpdates();
        QTRY_VERIFY(!updater.isChecking());
        const auto* browser = updater.window()->findChild<QTextBrowser*>("releaseNotes");
        QCOMPARE(browser->toPlainText(), "one two three four");
        for (const char* link : {"one", "two", "three", "four"}) {
            QTextCursor cursor = browser->document()->find(link);
            cursor.setPosition(cursor.selectionStart() + 1);
            QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, browser->cursorRect(cursor).center());
        }
        QCOMPARE(m_opened, QList<QUrl>{QUrl("https://example.org/notes")});
    }

    void signedFeeds_data()
    {
        QTest::addColumn<bool>("keyConfigured");
        QTest::addColumn<QByteArray>("signatureAnswer");
        QTest::addColumn<Page>("page");
        QTest::addColumn<QString>("detail");

        const TestSigningKey& key = *m_key;
        const QByteArray feed = newerFeed();
        const auto signature
            = [](const QByteArray& base64) { return ScriptedHttpServer::response(200, base64 + "\n", "text/plain"); };

        QTest::newRow("signed by the key")
            << true << signature(key.sign(feed)) << Page::updateAvailable << "Corvane 1.5.0 (31) is available";
        QTest::newRow("signature of another feed")
            << true << signature(key.sign(feedDocument({feedItem("1.4.0", "27")}))) << Page::failed
            << "The update feed's signature does not match the feed";
        QTest::newRow("no signature") << true << ScriptedHttpServer::response(404, "", "text/plain") << Page::failed
                                      << "The update feed's signature is missing";
        QTest::newRow("no key, no signature needed")
            << false << QByteArray() << Page::updateAvailable << "Corvane 1.5.0 (31) is available";
    }
    void signedFeeds()
    {
        QFETCH(bool, keyConfigured);
        QFETCH(QByteArray, signatureAnswer);
        QFETCH(Page, page);
        QFETCH(QString, detail);

        m_server->script(feedPath, ScriptedHttpServer::response(200, newerFeed(), "application/rss+xml"));
        m_server->script(feedPath + ".sig", signatureAnswer);
        UpdateSettings signedSettings = settings();
        signedSettings.publicKey = keyConfigured ? m_key->rawPublicKey() : QByteArray();
        Updater updater(m_network, signedSettings);
        updater.checkForUpdates();
        QTRY_VERIFY(!updater.isChecking());

        QCOMPARE(updater.window()->page(), page);
        QVERIFY2(label(*updater.window(), "detail").contains(detail), qPrintable(label(*updater.window(), "detail")));
        QCOMPARE(m_server->requests().front().target, feedPath);
        if (!keyConfigured) {
            QVERIFY(std::ranges::none_of(
                m_server->requests(), [](const auto& request) { return request.target.endsWith(".sig"); }));
        }
    }

    // A second check while one runs only raises its window. Cancel, or closing the window while the
    // release notes load, ends the check at once; an answer that may still come does not reach the
    // window of the next check.
    void endingAChecksWindowEndsTheCheck()
    {
        m_server->hang(feedPath);
        Updater updater(m_network, settings());
        QSignalSpy checking(&updater, &Updater::checkingChanged);
        QSignalSpy received(m_server.get(), &ScriptedHttpServer::requestReceived);
        updater.checkForUpdates();
        QVERIFY(received.wait());
        UpdateWindow* window = updater.window();
        window->hide();
        updater.checkForUpdates();
        QCOMPARE(updater.window(), window);
        QVERIFY(window->isVisible());
        QCOMPARE(checking.size(), 1);
        button(*window, QDialogButtonBox::Cancel)->click();
        QVERIFY(!updater.isChecking());
        QVERIFY(!window->isVisible());

        m_server->script(feedPath,
            ScriptedHttpServer::response(200,
                newerFeed("<corvane:releaseNotesLink>" + m_server->baseURL().toUtf8()
                    + "/notes</corvane:releaseNotesLink>")));
        m_server->hang("/notes");
        updater.checkForUpdates();
        QTRY_COMPARE(received.size(), 3);
        QCOMPARE(updater.window(), window);
        QCOMPARE(window->page(), Page::updateAvailable);
        QVERIFY(updater.isChecking());
        window->close();
        QVERIFY(!updater.isChecking());

        m_server->script(feedPath, ScriptedHttpServer::response(500, "", "text/plain"));
        updater.checkForUpdates();
        QTRY_VERIFY(!updater.isChecking());
        QCOMPARE(window->page(), Page::failed);
    }

private:
    UpdateSettings settings() const
    {
        UpdateSettings settings;
        settings.feedURL = QUrl(m_server->baseURL() + QString::fromUtf8(feedPath));
        settings.currentVersion = QStringLiteral("1.4.0");
        settings.currentBuild = QStringLiteral("27");
        settings.maximumBytes = 64 * 1024;
        return settings;
    }

    QNetworkAccessManager m_network;
    std::unique_ptr<ScriptedHttpServer> m_server;
    std::optional<TestSigningKey> m_key;
    QList<QUrl> m_opened;
};

CORVANE_TEST(UpdaterTest)
#include "UpdaterTest.moc"
