#include "support/Appearance.h"
#include "support/TestRegistry.h"
#include "ui/components/BannerPreview.h"
#include "ui/components/Card.h"
#include "ui/components/FilledFieldStyle.h"
#include "ui/components/ScreenHeader.h"
#include "ui/components/StatusPill.h"
#include "ui/components/StyledLabel.h"

#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace corvane;

namespace {

// Lays `widget` out at its preferred size (or `width`) without showing it.
void layOut(QWidget& widget, int width = 0)
{
    widget.ensurePolished();
    const QSize hint = widget.sizeHint();
    const int finalWidth = width > 0 ? width : hint.width();
    const int height = widget.hasHeightForWidth() ? widget.heightForWidth(finalWidth) : hint.height();
    widget.resize(finalWidth, height);
    if (widget.layout() != nullptr) {
        widget.layout()->activate();
    }
}

QImage transparentRender(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

} // namespace

class ComponentsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QApplication::setFont(test::defaultFont());
        QApplication::setPalette(test::lightPalette());
    }
    void cleanup()
    {
        QApplication::setPalette(m_originalPalette);
        QApplication::setFont(m_originalFont);
    }

    // Without a title the content starts right at the padding: no empty line above it.
    void cardWithoutTitleHasNoEmptyLine()
    {
        auto* content = new QWidget;
        content->setFixedHeight(40);
        Card card({}, content);
        layOut(card, 300);
        QCOMPARE(card.titleLabel(), nullptr);
        QCOMPARE(card.height(), 2 * content->geometry().top() + 40);
    }

    // A trailing label in a smaller font sits on the title's baseline, not at its top.
    void screenHeaderAlignsBaselines()
    {
        auto* count = new StyledLabel("42", Theme::TextStyle::callout);
        ScreenHeader header("Activity", {}, count);
        layOut(header, 600);
        const auto baseline = [](const QWidget& widget) {
            const QFontMetrics metrics(widget.font());
            return widget.geometry().top() + (widget.height() - metrics.height()) / 2 + metrics.ascent();
        };
        QVERIFY(count->geometry().top() > header.titleLabel()->geometry().top());
        QVERIFY(std::abs(baseline(*count) - baseline(*header.titleLabel())) <= 1);
    }

    // The capsule is the tint at 15 %; its corners stay transparent.
    void statusPill()
    {
        StatusPill pill("delivered", Theme::Colour::green);
        layOut(pill);
        const QImage image = transparentRender(pill);
        const QColor fill = image.pixelColor(3, pill.height() / 2);
        const QColor green = Theme::colour(Theme::Colour::green, pill.palette());
        QVERIFY2(std::abs(fill.alpha() - 38) <= 2, qPrintable(QString::number(fill.alpha())));
        QVERIFY(std::abs(fill.green() - green.green()) <= 4 && std::abs(fill.red() - green.red()) <= 4);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        const int wide = pill.sizeHint().width();
        pill.setLabel("ok");
        QVERIFY(pill.sizeHint().width() < wide);
    }

    void bannerPreviewTexts_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("titleLines");
        QTest::addColumn<QStringList>("messageLines");

        QTest::newRow("empty") << "" << "" << QStringList{"(empty title)"} << QStringList{"(empty body)"};
        QTest::newRow("short") << "Deploy finished" << "main → production" << QStringList{"Deploy finished"}
                               << QStringList{"main → production"};
        QTest::newRow("five message lines")
            << "t" << "one\ntwo\nthree\nfour\nfive" << QStringList{"t"} << QStringList{"one", "two", "three…"};
        QTest::newRow("three message lines")
            << "t" << "one\ntwo\nthree" << QStringList{"t"} << QStringList{"one", "two", "three"};
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
        // Growing wider keeps the limit; the banner's height follows its width.
        const int narrowHeight = banner.height();
        layOut(banner, 900);
        QCOMPARE(banner.messageLabel()->visibleLines(banner.messageLabel()->width()).size(), 3);
        QVERIFY(banner.height() <= narrowHeight);
    }

    void singleLineLabelElides_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("right") << int(Qt::ElideRight) << "https://" << "…";
        QTest::newRow("middle") << int(Qt::ElideMiddle) << "https://" << "abcdef";
    }
    void singleLineLabelElides()
    {
        QFETCH(int, mode);
        QFETCH(QString, start);
        QFETCH(QString, end);
        StyledLabel label("https://relay.example/hooks/0123456789/abcdef", Theme::TextStyle::callout);
        label.setMaximumLines(1);
        label.setElideMode(static_cast<Qt::TextElideMode>(mode));
        const QStringList lines = label.visibleLines(120);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().startsWith(start));
        QVERIFY(lines.first().endsWith(end));
        QVERIFY(lines.first().contains(u'…'));
    }

    // Labels, cards and fields pick up a new colour scheme without being told.
    void paletteChangesRestyle()
    {
        QWidget window;
        auto* label = new StyledLabel("Offline", Theme::TextStyle::caption, Theme::Colour::secondary, &window);
        auto* field = new QLineEdit(&window);
        FilledFieldStyle::apply(field);
        QCOMPARE(label->palette().color(QPalette::WindowText),
            Theme::colour(Theme::Colour::secondary, test::lightPalette()));

        // The application delivers a palette change to its widgets from the event loop.
        QApplication::setPalette(test::darkPalette());
        QTRY_COMPARE(
            label->palette().color(QPalette::WindowText), Theme::colour(Theme::Colour::secondary, test::darkPalette()));
        QTRY_COMPARE(field->palette().color(QPalette::Text), test::darkPalette().color(QPalette::Text));
        QCOMPARE(field->palette().color(QPalette::Base), QColor(Qt::transparent));
    }

    // A larger desktop font makes every component's text larger, while it is running.
    void fontChangesRescale()
    {
        QWidget window;
        auto* label = new StyledLabel("Offline", Theme::TextStyle::caption, Theme::Colour::secondary, &window);
        auto* field = new QLineEdit(&window);
        FilledFieldStyle::apply(field, true);
        auto* pill = new StatusPill("pending", Theme::Colour::orange, &window);
        const int fieldHeight = field->sizeHint().height();

        QFont larger = test::defaultFont();
        larger.setPointSize(15);
        QApplication::setFont(larger);
        QTRY_COMPARE(QFontInfo(label->font()).pixelSize(), 15);
        QTRY_COMPARE(QFontInfo(pill->font()).pixelSize(), 15);
        QTRY_COMPARE(field->font().pixelSize(), 20);
        QVERIFY(QFontInfo(field->font()).fixedPitch());
        QVERIFY(field->sizeHint().height() > fieldHeight);
    }

    // Applying the style twice keeps one style; switching to monospace and back changes the font.
    void filledField()
    {
        QLineEdit field;
        FilledFieldStyle* style = FilledFieldStyle::apply(&field);
        QCOMPARE(FilledFieldStyle::apply(&field), style);
        QCOMPARE(field.findChildren<FilledFieldStyle*>().size(), 1);
        QVERIFY(!QFontInfo(field.font()).fixedPitch());
        style->setMonospaced(true);
        QVERIFY(QFontInfo(field.font()).fixedPitch());
    }

    // The filled background is drawn under the text; keyboard focus turns its border to the accent colour.
    void filledFieldShowsFocus()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* other = new QLineEdit(&window);
        auto* field = new QLineEdit(&window);
        layout->addWidget(other);
        layout->addWidget(field);
        FilledFieldStyle::apply(field);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();

        const auto leftEdge = [&] { return field->grab().toImage().pixelColor(0, field->height() / 2); };
        const QColor unfocused = leftEdge();
        field->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(field->hasFocus());
        const QColor focused = leftEdge();
        const QColor accent = test::lightPalette().color(QPalette::Highlight);
        QVERIFY(std::abs(focused.blue() - accent.blue()) < 24 && std::abs(focused.red() - accent.red()) < 24);
        QVERIFY(std::abs(unfocused.blue() - accent.blue()) > 24 || std::abs(unfocused.red() - accent.red()) > 24);
    }

private:
    QPalette m_originalPalette = QApplication::palette();
    QFont m_originalFont = QApplication::font();
};

CORVANE_TEST(ComponentsTest)
#include "ComponentsTest.moc"
