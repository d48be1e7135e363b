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

// The pixels of `pixmap` with any alpha.
int paintedPixels(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            painted += image.pixelColor(x, y).alpha() > 0 ? 1 : 0;
        }
    }
    return painted;
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
    // Each name the screens use draws a visible glyph, as sharp as the screen: 2× pixels on a 2× screen.
    void everySymbolRenders()
    {
        QFETCH(QString, name);
        QFETCH(qreal, ratio);
        const QPixmap pixmap = Symbols::pixmap(name, 24, Qt::red, ratio);
        QCOMPARE(pixmap.size(), QSize(24, 24) * ratio);
        // A glyph covers a real part of its square, but not all of it.
        const int painted = paintedPixels(pixmap);
        const int area = pixmap.width() * pixmap.height();
        QVERIFY2(painted > area / 20 && painted < area, qPrintable(QString::number(painted)));
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
