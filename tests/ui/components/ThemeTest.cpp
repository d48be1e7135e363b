#include "ui/components/Theme.h"
#include "support/Appearance.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QFontInfo>
#include <QTest>

using namespace corvane;
using Theme::Colour;

Q_DECLARE_METATYPE(Theme::Colour)
Q_DECLARE_METATYPE(Theme::TextStyle)

namespace {

// Breeze's dark scheme and a warm light one, besides the test palettes: the fixed colours must read on
// desktops other than ours.
QPalette breezeDark()
{
    QPalette palette = test::darkPalette();
    palette.setColor(QPalette::Window, QColor(0x202326));
    palette.setColor(QPalette::Base, QColor(0x141618));
    palette.setColor(QPalette::Text, QColor(0xfcfcfc));
    return palette;
}

QPalette warmLight()
{
    QPalette palette = test::lightPalette();
    palette.setColor(QPalette::Window, QColor(0xf6f5f4));
    palette.setColor(QPalette::Base, QColor(0xfafafa));
    palette.setColor(QPalette::Text, QColor(Qt::black));
    return palette;
}

} // namespace

class ThemeTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QApplication::setFont(test::defaultFont()); }
    void cleanup() { QApplication::setFont(m_originalFont); }

    // Secondary and tertiary text fade toward the background in that order, in both schemes.
    void labelColoursFadeInOrder_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("light") << test::lightPalette();
        QTest::newRow("dark") << test::darkPalette();
    }
    void labelColoursFadeInOrder()
    {
        QFETCH(QPalette, palette);
        const QColor base = palette.color(QPalette::Base);
        const qreal primary = Theme::contrastRatio(Theme::colour(Colour::primary, palette), base);
        const qreal secondary = Theme::contrastRatio(Theme::colour(Colour::secondary, palette), base);
        const qreal tertiary = Theme::contrastRatio(Theme::colour(Colour::tertiary, palette), base);
        QCOMPARE(Theme::colour(Colour::primary, palette), palette.color(QPalette::Text));
        QVERIFY2(primary > secondary && secondary > tertiary && tertiary > 1.1,
            qPrintable(QStringLiteral("%1 %2 %3").arg(primary).arg(secondary).arg(tertiary)));
        QCOMPARE(Theme::colour(Colour::accent, palette), palette.color(QPalette::Highlight));
    }

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
            {"warm light", warmLight()},
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

    // Type sizes scale with the desktop's font, given in points or in pixels.
    void textStylesScaleWithTheApplicationFont_data()
    {
        QTest::addColumn<QFont>("applicationFont");
        QTest::addColumn<Theme::TextStyle>("style");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("semibold");

        QFont tenPoints;
        tenPoints.setPointSize(10);
        QFont twelvePoints;
        twelvePoints.setPointSize(12);
        QFont twentySixPixels;
        twentySixPixels.setPixelSize(26);

        QTest::newRow("title 3") << tenPoints << Theme::TextStyle::title3 << 15 << false;
        QTest::newRow("caption") << tenPoints << Theme::TextStyle::caption << 10 << false;
        QTest::newRow("body at 12 pt") << twelvePoints << Theme::TextStyle::body << 16 << false;
        QTest::newRow("caption at 12 pt") << twelvePoints << Theme::TextStyle::caption << 12 << false;
        QTest::newRow("callout at 26 px") << twentySixPixels << Theme::TextStyle::callout << 24 << false;
    }
    void textStylesScaleWithTheApplicationFont()
    {
        QFETCH(QFont, applicationFont);
        QFETCH(Theme::TextStyle, style);
        QFETCH(int, pixels);
        QFETCH(bool, semibold);

        QApplication::setFont(applicationFont);
        const QFont font = Theme::font(style);
        QCOMPARE(font.pixelSize(), pixels);
        QCOMPARE(font.weight() == QFont::DemiBold, semibold);
        QCOMPARE(font.family(), applicationFont.family());
    }

private:
    QFont m_originalFont = QApplication::font();
};

CORVANE_TEST(ThemeTest)
#include "ThemeTest.moc"
