#include "support/Appearance.h"
#include "support/Screenshots.h"
#include "support/TestRegistry.h"
#include "ui/components/BannerPreview.h"
#include "ui/components/Card.h"
#include "ui/components/Divider.h"
#include "ui/components/FilledFieldStyle.h"
#include "ui/components/Layouts.h"
#include "ui/components/ScreenHeader.h"
#include "ui/components/StatusPill.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolTile.h"
#include "ui/components/SymbolView.h"
#include "ui/components/Symbols.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace corvane;

namespace {

// A screen's worth of every component, as the screens combine them.
std::unique_ptr<QWidget> gallery()
{
    auto window = std::make_unique<QWidget>();
    window->setAutoFillBackground(true);
    auto* page = new QVBoxLayout(window.get());
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    auto* discard = new QPushButton(Symbols::icon("trash", Theme::Colour::red), "Discard");
    page->addWidget(new ScreenHeader("New listener", "Name it and grab the endpoint URL.", discard));
    page->addWidget(new Divider);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(24, 24, 24, 24);
    body->setSpacing(16);
    page->addLayout(body);

    auto* url = new QLineEdit("http://localhost:3100");
    FilledFieldStyle::apply(url);
    auto* token = new QLineEdit("secret-token");
    token->setEchoMode(QLineEdit::Password);
    FilledFieldStyle::apply(token);
    auto* filter = new QLineEdit;
    filter->setPlaceholderText("$.body.action  (empty = match all)");
    FilledFieldStyle::apply(filter, true);
    body->addWidget(new Card("Service",
        Layouts::column({StyledLabel::fieldTitle("Service URL", url), url, StyledLabel::fieldTitle("API token", token),
                            token, StyledLabel::fieldTitle("Filter", filter), filter,
                            new StyledLabel("Must match the service's API_TOKEN. Stored in your Keychain.",
                                Theme::TextStyle::caption2, Theme::Colour::tertiary)},
            8)));

    auto* status = new QWidget;
    auto* statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLayout->setSpacing(8);
    statusLayout->addWidget(new SymbolView("checkmark.circle.fill", 14, Theme::Colour::green));
    statusLayout->addWidget(new StatusPill("delivered", Theme::Colour::green));
    statusLayout->addWidget(new SymbolView("circle.dotted", 14, Theme::Colour::orange));
    statusLayout->addWidget(new StatusPill("pending", Theme::Colour::orange));
    statusLayout->addWidget(new StatusPill("failed", Theme::Colour::red));
    statusLayout->addWidget(new StatusPill("POST", Theme::Colour::accent));
    statusLayout->addStretch();
    statusLayout->addWidget(new StyledLabel("3m", Theme::TextStyle::caption2, Theme::Colour::tertiary));
    body->addWidget(new Card("Status", status));

    body->addWidget(new Card({},
        Layouts::column(
            {new BannerPreview("GitHub: opened", "octo/repo #42 — Fix the flaky upload test", "corvane", "now"),
                new BannerPreview({}, {}, "corvane", "now"),
                new BannerPreview("A title long enough to need a second line when the banner is narrow, "
                                  "and then some more words that do not fit",
                    "line one\nline two\nline three\nline four\nline five", "corvane", "12m")},
            8)));

    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(12);
    auto* badge = new SymbolTile("bell.badge.fill");
    badge->setMetrics(72, 18, 32);
    tiles->addWidget(badge);
    tiles->addWidget(new SymbolTile("bell.fill"));
    auto* small = new SymbolTile("bell.fill");
    small->setMetrics(16, 4, 8);
    small->setFill(SymbolTile::Fill::tinted);
    tiles->addWidget(small, 0, Qt::AlignVCenter);
    tiles->addStretch();
    body->addLayout(tiles);
    body->addStretch();
    return window;
}

// Every symbol with its name, to check the choice of glyphs.
std::unique_ptr<QWidget> symbolSheet()
{
    auto sheet = std::make_unique<QWidget>();
    sheet->setAutoFillBackground(true);
    auto* grid = new QGridLayout(sheet.get());
    grid->setContentsMargins(16, 16, 16, 16);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(10);
    const QStringList& names = Symbols::names();
    constexpr int columns = 3;
    for (int index = 0; index < names.size(); ++index) {
        const int row = index / columns;
        const int column = (index % columns) * 3;
        grid->addWidget(new SymbolView(names[index], 16, Theme::Colour::primary), row, column);
        grid->addWidget(new SymbolView(names[index], 16, Theme::Colour::accent), row, column + 1);
        grid->addWidget(
            new StyledLabel(names[index], Theme::TextStyle::caption, Theme::Colour::secondary), row, column + 2);
    }
    return sheet;
}

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        QApplication::setFont(test::defaultFont());
        QVERIFY(QDir().mkpath(test::screenshotFolder()));
    }
    void cleanup() { QApplication::setPalette(m_originalPalette); }
    void cleanupTestCase() { QApplication::setFont(m_originalFont); }

    void components_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPalette>("palette");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("width");
        for (const auto& [scheme, palette] :
            {std::pair{"light", test::lightPalette()}, std::pair{"dark", test::darkPalette()}}) {
            for (const qreal ratio : {1.0, 2.0}) {
                QTest::addRow("gallery-%s@%gx", scheme, ratio) << "gallery" << palette << ratio << 560;
                QTest::addRow("symbols-%s@%gx", scheme, ratio) << "symbols" << palette << ratio << 0;
            }
        }
    }
    // Writes <folder>/<name>-<scheme>@<ratio>x.png for a person to look at.
    void components()
    {
        QFETCH(QString, name);
        QFETCH(QPalette, palette);
        QFETCH(qreal, ratio);
        QFETCH(int, width);

        QApplication::setPalette(palette);
        const auto widget = name == "gallery" ? gallery() : symbolSheet();
        widget->ensurePolished();
        const int finalWidth = width > 0 ? width : widget->sizeHint().width();
        widget->resize(finalWidth,
            widget->heightForWidth(finalWidth) > 0 ? widget->heightForWidth(finalWidth) : widget->sizeHint().height());
        widget->layout()->activate();

        QPixmap shot(widget->size() * ratio);
        shot.setDevicePixelRatio(ratio);
        widget->render(&shot);
        const QString file
            = QDir(test::screenshotFolder()).filePath(QString::fromLatin1(QTest::currentDataTag()) + ".png");
        QVERIFY2(shot.save(file), qPrintable(file));

        // Not a blank picture: the window colour and at least one other.
        const QImage image = shot.toImage();
        const QRgb background = palette.color(QPalette::Window).rgb();
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; y += 3) {
            for (int x = 0; x < image.width() && !drawn; x += 3) {
                drawn = image.pixel(x, y) != background;
            }
        }
        QVERIFY(drawn);
    }

private:
    QPalette m_originalPalette = QApplication::palette();
    QFont m_originalFont = QApplication::font();
};

CORVANE_TEST(ScreenshotTest)
#include "ScreenshotTest.moc"
