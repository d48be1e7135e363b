#include "ui/components/Symbols.h"
#include "support/Screenshots.h"
#include "support/TestRegistry.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolView.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
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

    // Every symbol with its name, in the text and the accent colour, at 1× and 2×, light and dark, for a
    // person to check the choice of glyphs: <folder>/symbols-<scheme>@<ratio>x.png.
    void sheet_data() { test::addSchemes(); }
    void sheet()
    {
        test::applyScheme();
        QWidget sheet;
        sheet.setAutoFillBackground(true);
        auto* grid = new QGridLayout(&sheet);
        const QStringList& names = Symbols::names();
        for (int index = 0; index < names.size(); ++index) {
            const int row = index / 3;
            const int column = (index % 3) * 3;
            grid->addWidget(new SymbolView(names[index], 16, Theme::Colour::primary), row, column);
            grid->addWidget(new SymbolView(names[index], 16, Theme::Colour::accent), row, column + 1);
            grid->addWidget(new StyledLabel(names[index], Theme::TextStyle::caption), row, column + 2);
        }
        sheet.ensurePolished();
        sheet.resize(sheet.sizeHint());
        grid->activate();
        QVERIFY(QDir().mkpath(test::screenshotFolder()));
        for (const qreal ratio : {1.0, 2.0}) {
            QPixmap shot(sheet.size() * ratio);
            shot.setDevicePixelRatio(ratio);
            sheet.render(&shot);
            const QString file = QStringLiteral("%1/symbols-%2@%3x.png")
                                     .arg(test::screenshotFolder(), QTest::currentDataTag())
                                     .arg(ratio);
            QVERIFY2(shot.save(file), qPrintable(file));
        }
        QApplication::setPalette(QPalette());
    }
};

CORVANE_TEST(SymbolsTest)
#include "SymbolsTest.moc"
