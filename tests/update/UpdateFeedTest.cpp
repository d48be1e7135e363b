#include "update/UpdateFeed.h"
#include "support/TestRegistry.h"
#include "update/FeedDocument.h"

#include <QTest>

using namespace corvane;
using test::feedDocument;
using test::feedItem;

namespace {

// A few hundred bytes that would expand to 2.7 million characters: 100 × 30 × 30 × 30.
QByteArray entityBomb()
{
    QByteArray declarations = "<!ENTITY a \"" + QByteArray(100, 'a') + "\">";
    for (const char* name : {"b", "c", "d"}) {
        const char previous = static_cast<char>(name[0] - 1);
        declarations
            += QByteArray("<!ENTITY ") + name + " \"" + (QByteArray("&") + previous + ";").repeated(30) + "\">";
    }
    return "<?xml version=\"1.0\"?><!DOCTYPE rss [" + declarations + "]><rss><channel><item><title>&d;</title>"
        + "</item></channel></rss>";
}

} // namespace

class UpdateFeedTest : public QObject {
    Q_OBJECT

private slots:
    void newestReleaseIsChosenByVersionThenBuild_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("newest");

        QTest::newRow("newest in the middle")
            << feedDocument({feedItem("1.3.0"), feedItem("1.10.0"), feedItem("1.9.0")}) << "1.10.0";
        QTest::newRow("build decides") << feedDocument({feedItem("1.4.0", "9"), feedItem("1.4.0", "27"),
            feedItem("1.4")}) << "1.4.0 (27)";
        QTest::newRow("version before build")
            << feedDocument({feedItem("1.4", "99"), feedItem("1.5", "1")}) << "1.5 (1)";
        QTest::newRow("a longer version is newer") << feedDocument({feedItem("1.4"), feedItem("1.4.1")}) << "1.4.1";
        // Of equal releases the first is taken.
        QTest::newRow("trailing zero") << feedDocument({feedItem("1.4"), feedItem("1.4.0")}) << "1.4";
        QTest::newRow("no build is build 0") << feedDocument({feedItem("1.4.0"), feedItem("1.4.0", "0")}) << "1.4.0";
        QTest::newRow("any build after none")
            << feedDocument({feedItem("1.4.0"), feedItem("1.4.0", "1")}) << "1.4.0 (1)";
        QTest::newRow("unknown elements are skipped")
            << feedDocument({"<item><enclosure url=\"x\"/><corvane:version>2.0</corvane:version><other><deep/></other>"
                             "<link>https://example.org/</link><corvane:future>x</corvane:future></item>",
                   "<image><url>https://example.org/logo.png</url></image>"})
            << "2.0";
        QTest::newRow("items outside the channel are not releases") << QByteArray(
            "<rss xmlns:corvane=\"https://corvane.dev/update-feed\"><channel>" + feedItem("1.0") + "</channel>"
            + feedItem("9.0") + "</rss>") << "1.0";
        QTest::newRow("another prefix for the namespace")
            << QByteArray("<rss xmlns:u=\"https://corvane.dev/update-feed\"><channel><item><u:version>3.1</u:version>"
                          "<link>https://example.org/</link></item></channel></rss>")
            << "3.1";
    }
    void newestReleaseIsChosenByVersionThenBuild()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, newest);

        const auto release = UpdateFeed::newestRelease(document);
        QVERIFY2(release, release ? "" : qPrintable(release.error().description));
        QCOMPARE(release->version.text(), newest);
    }

    void malformedFeedsFailWithTheReason_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("reason");

        const auto item = [](const QByteArray& extra) {
            return feedDocument({feedItem("1.5.0", "", "https://example.org/", extra)});
        };

        QTest::newRow("no channel") << QByteArray("<rss version=\"2.0\"><item/></rss>") << "has no <channel>";
        QTest::newRow("empty channel") << feedDocument({}) << "lists no releases";
        QTest::newRow("content after the feed") << feedDocument({feedItem("1.5.0")}) + "<rss/>" << "Extra content";
        QTest::newRow("no version") << feedDocument({"<item><link>https://example.org/</link></item>"})
                                    << "item 1 has no <corvane:version>";
        QTest::newRow("version not numbers")
            << feedDocument({feedItem("1.5.0-rc1")}) << "item 1 has version \"1.5.0-rc1\" and build \"\"";
        QTest::newRow("part of ten digits") << feedDocument({feedItem("1.1234567890")}) << "item 1 has version";
        QTest::newRow("other digits") << feedDocument({feedItem("\u0661.\u0662")}) << "item 1 has version";
        QTest::newRow("second item is bad")
            << feedDocument({feedItem("1.4.0"), feedItem("1.5.0", "", "")}) << "item 2 has no http or https <link>";
        QTest::newRow("download page on disk") << feedDocument({feedItem("1.5.0", "", "file:///etc/passwd")})
                                               << "<link> to its download page (\"file:///etc/passwd\")";
        QTest::newRow("release notes elsewhere")
            << item("<corvane:releaseNotesLink>ftp://example.org/notes</corvane:releaseNotesLink>")
            << "<corvane:releaseNotesLink> that is not an http or https URL";
        QTest::newRow("date not RFC 822")
            << item("<pubDate>2025-02-03</pubDate>") << "<pubDate> that is not an RFC 822 date (\"2025-02-03\")";
        QTest::newRow("entity expansion bomb") << entityBomb() << "entity expansion limit";
    }
    void malformedFeedsFailWithTheReason()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, reason);

        const auto release = UpdateFeed::newestRelease(document);
        QVERIFY(!release);
        QCOMPARE(release.error().kind, UpdateFailure::Kind::malformedFeed);
        QVERIFY2(release.error().description.startsWith("The update feed is malformed: "),
            qPrintable(release.error().description));
        QVERIFY2(release.error().description.contains(reason), qPrintable(release.error().description));
    }

    // A feed cut off anywhere (a dropped connection, a full disk on the server) is never taken for a
    // shorter valid feed.
    void everyTruncationFails()
    {
        const QByteArray document = feedDocument({feedItem("1.4.0", "27"),
            feedItem("1.5.0", "", "https://example.org/", "<pubDate>Mon, 03 Feb 2025 10:00:00 +0000</pubDate>")});
        QVERIFY(UpdateFeed::newestRelease(document));
        const auto end = document.lastIndexOf("</rss>");
        for (qsizetype length = 0; length < end; ++length) {
            QVERIFY2(!UpdateFeed::newestRelease(document.left(length)), qPrintable(QString::number(length)));
        }
    }
};

CORVANE_TEST(UpdateFeedTest)
#include "UpdateFeedTest.moc"
