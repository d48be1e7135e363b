#include "ui/components/Symbols.h"
#include "support/Appearance.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>

using namespace corvane;

namespace {

struct Coverage {
    int painted = 0; // pixels with any alpha
    int offColour = 0; // painted pixels whose colour is not the requested one
};

Coverage coverage(const QPixmap& pixmap, const QColor& colour)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    Coverage result;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 0) {
                continue;
            }
            ++result.painted;
            // Antialiased edges keep the colour at a lower alpha (compare unpremultiplied, with rounding).
            if (pixel.alpha() > 64
                && (std::abs(pixel.red() - colour.red()) > 8 || std::abs(pixel.green() - colour.green()) > 8
                    || std::abs(pixel.blue() - colour.blue()) > 8)) {
                ++result.offColour;
            }
        }
    }
    return result;
}

} // namespace

class SymbolsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QApplication::setPalette(m_originalPalette); }

    void everySymbolRenders_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qreal>("ratio");
        for (const auto& name : Symbols::names()) {
            QTest::addRow("%s", qPrintable(name)) << name << 1.0;
            QTest::addRow("%s at 2x", qPrintable(name)) << name << 2.0;
        }
    }
    // Each name the screens use draws a visible glyph, entirely in the colour asked for and as sharp as the
    // screen: 2× pixels on a 2× screen.
    void everySymbolRenders()
    {
        QFETCH(QString, name);
        QFETCH(qreal, ratio);
        const QColor colour(0xc4, 0x21, 0x2d);

        QVERIFY(Symbols::contains(name));
        const QPixmap pixmap = Symbols::pixmap(name, 24, colour, ratio);
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.size(), QSize(24, 24) * ratio);
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(24, 24));
        const Coverage drawn = coverage(pixmap, colour);
        const int area = pixmap.width() * pixmap.height();
        // A glyph covers a real part of its square, but not all of it.
        QVERIFY2(drawn.painted > area / 20 && drawn.painted < area, qPrintable(QString::number(drawn.painted)));
        QCOMPARE(drawn.offColour, 0);
    }

    // The bundled files and the names in the code are the same set: no name without a file, no file that
    // nothing uses.
    void bundleMatchesTheNames()
    {
        QStringList bundled = QDir(QStringLiteral(":/corvane/symbols")).entryList({QStringLiteral("*.svg")});
        for (auto& file : bundled) {
            file.chop(4);
        }
        QStringList names = Symbols::names();
        names.sort();
        bundled.sort();
        QCOMPARE(bundled, names);
        QCOMPARE(static_cast<qsizetype>(QSet<QString>(names.begin(), names.end()).size()), names.size());
    }

    void unknownNamesAndEmptySizesGiveNothing()
    {
        QVERIFY(!Symbols::contains("no.such.symbol"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no symbol named.*no.such.symbol"));
        QVERIFY(Symbols::pixmap("no.such.symbol", 16, Qt::black).isNull());
        QVERIFY(Symbols::pixmap("plus", 0, Qt::black).isNull());
        QVERIFY(Symbols::icon("no.such.symbol").isNull());
    }

    // An icon with a semantic tint is drawn in the palette's colour of the moment.
    void iconsFollowThePalette()
    {
        const QIcon icon = Symbols::icon("circle.fill", Theme::Colour::accent);
        QPalette palette = test::lightPalette();
        palette.setColor(QPalette::Highlight, QColor(0x11, 0x88, 0x22));
        QApplication::setPalette(palette);
        QCOMPARE(coverage(icon.pixmap(16), QColor(0x11, 0x88, 0x22)).offColour, 0);
        palette.setColor(QPalette::Highlight, QColor(0xaa, 0x33, 0x99));
        QApplication::setPalette(palette);
        QCOMPARE(coverage(icon.pixmap(16), QColor(0xaa, 0x33, 0x99)).offColour, 0);
    }

    void iconModes()
    {
        QApplication::setPalette(test::lightPalette());
        const QIcon icon = Symbols::icon("circle.fill", QColor(Qt::red));
        const auto centre
            = [&](QIcon::Mode mode) { return icon.pixmap(QSize(16, 16), mode).toImage().pixelColor(8, 8); };
        QCOMPARE(centre(QIcon::Normal), QColor(Qt::red));
        QVERIFY(centre(QIcon::Disabled).alpha() < 128);
        QCOMPARE(centre(QIcon::Selected).rgb(), test::lightPalette().color(QPalette::HighlightedText).rgb());
        // A wide request keeps the glyph square and centres it.
        const QImage wide = icon.pixmap(QSize(32, 16)).toImage();
        QCOMPARE(wide.size(), QSize(32, 16));
        QCOMPARE(wide.pixelColor(16, 8), QColor(Qt::red));
        QCOMPARE(wide.pixelColor(2, 8).alpha(), 0);
    }

private:
    QPalette m_originalPalette = QApplication::palette();
};

CORVANE_TEST(SymbolsTest)
#include "SymbolsTest.moc"
