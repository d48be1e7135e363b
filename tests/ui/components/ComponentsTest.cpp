#include "support/Appearance.h"
#include "support/TestRegistry.h"
#include "ui/components/BannerPreview.h"
#include "ui/components/RelativeTime.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/Theme.h"

#include <QApplication>
#include <QLayout>
#include <QTest>

#include <chrono>

using namespace corvane;
using namespace std::chrono_literals;
using Theme::Colour;

Q_DECLARE_METATYPE(Theme::Colour)

namespace {

// Lays `widget` out at `width` without showing it.
void layOut(QWidget& widget, int width)
{
    widget.ensurePolished();
    widget.resize(width, widget.hasHeightForWidth() ? widget.heightForWidth(width) : widget.sizeHint().height());
    widget.layout()->activate();
}

// Breeze's dark scheme, besides the test palettes: the fixed colours must read on desktops other than ours.
QPalette breezeDark()
{
    QPalette palette = test::darkPalette();
    palette.setColor(QPalette::Window, QColor(0x202326));
    palette.setColor(QPalette::Base, QColor(0x141618));
    palette.setColor(QPalette::Text, QColor(0xfcfcfc));
    return palette;
}

} // namespace

class ComponentsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QApplication::setFont(test::defaultFont()); }
    void cleanup() { QApplication::setFont(m_originalFont); }

    // Green, orange, red and blue are used for text (errors, feedback) as well as marks, so they keep the
    // 4.5:1 contrast of normal text on the window and on the base of each scheme.
    void fixedColoursKeepContrast_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::addColumn<Colour>("role");
        const std::pair<const char*, QPalette> schemes[] = {
            {"light", test::lightPalette()},
            {"dark", test::darkPalette()},
            {"breeze dark", breezeDark()},
        };
        const std::pair<const char*, Colour> roles[] = {
            {"green", Colour::green},
            {"orange", Colour::orange},
            {"red", Colour::red},
            {"blue", Colour::blue},
        };
        for (const auto& [scheme, palette] : schemes) {
            for (const auto& [name, role] : roles) {
                QTest::addRow("%s on %s", name, scheme) << palette << role;
            }
        }
    }
    void fixedColoursKeepContrast()
    {
        QFETCH(QPalette, palette);
        QFETCH(Colour, role);
        const QColor colour = Theme::colour(role, palette);
        for (const auto background : {QPalette::Window, QPalette::Base}) {
            const qreal ratio = Theme::contrastRatio(colour, palette.color(background));
            QVERIFY2(ratio >= 4.5,
                qPrintable(
                    QStringLiteral("%1 on %2: %3:1").arg(colour.name(), palette.color(background).name()).arg(ratio)));
        }
    }

    void contrastRatioOfKnownPairs()
    {
        QCOMPARE(qRound(Theme::contrastRatio(Qt::black, Qt::white) * 100), 2100);
        QCOMPARE(Theme::contrastRatio(Qt::white, Qt::black), Theme::contrastRatio(Qt::black, Qt::white));
        QCOMPARE(Theme::contrastRatio(QColor(0x777777), QColor(0x777777)), 1.0);
    }

    void bannerPreviewTexts_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("titleLines");
        QTest::addColumn<QStringList>("messageLines");

        QTest::newRow("empty") << "" << "" << QStringList{"(empty title)"} << QStringList{"(empty body)"};
        QTest::newRow("five message lines")
            << "t" << "one\ntwo\nthree\nfour\nfive" << QStringList{"t"} << QStringList{"one", "two", "three…"};
        QTest::newRow("three title lines") << "a\nb\nc" << "m" << QStringList{"a", "b…"} << QStringList{"m"};
    }
    void bannerPreviewTexts()
    {
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(QStringList, titleLines);
        QFETCH(QStringList, messageLines);

        BannerPreview banner(title, message, "corvane", "now");
        layOut(banner, 420);
        QCOMPARE(banner.titleLabel()->visibleLines(banner.titleLabel()->contentsRect().width()), titleLines);
        QCOMPARE(banner.messageLabel()->visibleLines(banner.messageLabel()->contentsRect().width()), messageLines);
        const int lineSpacing = QFontMetrics(banner.messageLabel()->font()).lineSpacing();
        QCOMPARE(banner.messageLabel()->height(), lineSpacing * static_cast<int>(messageLines.size()));
    }

    // A long paragraph wraps onto the allowed lines and ends in an ellipsis; nothing spills over.
    void bannerPreviewWrapsLongText()
    {
        const QString words = QStringLiteral("The quick brown fox jumps over the lazy dog. ").repeated(12);
        BannerPreview banner(words, words, "corvane", "5s");
        layOut(banner, 360);
        const auto titleLines = banner.titleLabel()->visibleLines(banner.titleLabel()->width());
        const auto messageLines = banner.messageLabel()->visibleLines(banner.messageLabel()->width());
        QCOMPARE(titleLines.size(), 2);
        QCOMPARE(messageLines.size(), 3);
        QVERIFY(messageLines.last().endsWith(u'…'));
        const QFontMetrics metrics(banner.messageLabel()->font());
        for (const auto& line : messageLines) {
            QVERIFY(metrics.horizontalAdvance(line) <= banner.messageLabel()->width());
        }
    }

    void shortFrom_data()
    {
        QTest::addColumn<qint64>("millisecondsAgo");
        QTest::addColumn<QString>("expected");

        QTest::newRow("this instant") << qint64(0) << "now";
        QTest::newRow("4.9 s") << qint64(4'900) << "now";
        QTest::newRow("5 s") << qint64(5'000) << "5s";
        QTest::newRow("59.9 s") << qint64(59'900) << "59s";
        QTest::newRow("60 s") << qint64(60'000) << "1m";
        QTest::newRow("3599 s") << qint64(3'599'000) << "59m";
        QTest::newRow("3600 s") << qint64(3'600'000) << "1h";
        QTest::newRow("86400 s") << qint64(86'400'000) << "1d";
        QTest::newRow("400 days") << qint64(400LL * 86'400'000) << "400d";
        QTest::newRow("a day ahead") << qint64(-86'400'000) << "now";
    }
    // Both forms of a moment give the same text.
    void shortFrom()
    {
        QFETCH(qint64, millisecondsAgo);
        QFETCH(QString, expected);

        const auto now = RelativeTime::Clock::time_point(1'738'314'900'250ms);
        QCOMPARE(RelativeTime::shortFrom(now - std::chrono::milliseconds(millisecondsAgo), now), expected);

        const auto nowDate = QDateTime::fromMSecsSinceEpoch(1'738'314'900'250, Qt::UTC);
        QCOMPARE(RelativeTime::shortFrom(nowDate.addMSecs(-millisecondsAgo), nowDate), expected);
    }

    void shortISO_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        // 2025-01-31T09:15:00.250Z is 1'738'314'900'250 ms after the epoch; "now" is 3 min 7.5 s later.
        QTest::newRow("fraction and Z") << "2025-01-31T09:15:00.250Z" << "3m";
        QTest::newRow("a minute from now") << "2025-01-31T09:19:07.750Z" << "now";
        QTest::newRow("no fraction") << "2025-01-31T09:15:00Z" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("not a date") << "yesterday" << "";
    }
    void shortISO()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);

        const auto now = RelativeTime::Clock::time_point(1'738'314'900'250ms + 187'500ms);
        QCOMPARE(RelativeTime::shortISO(text, now), expected);
    }

private:
    QFont m_originalFont = QApplication::font();
};

CORVANE_TEST(ComponentsTest)
#include "ComponentsTest.moc"
