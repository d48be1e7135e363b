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
#include <QPointer>
#include <QPushButton>
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
    void cardTitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("no title") << "";
        QTest::newRow("title") << "Account";
    }
    void cardTitle()
    {
        QFETCH(QString, title);
        auto* content = new QWidget;
        content->setFixedHeight(40);
        Card card(title, content);
        layOut(card, 300);

        if (title.isEmpty()) {
            QCOMPARE(card.titleLabel(), nullptr);
            QCOMPARE(content->geometry(), QRect(16, 16, 300 - 32, 40));
            QCOMPARE(card.height(), 16 + 40 + 16);
        } else {
            QVERIFY(card.titleLabel() != nullptr);
            QCOMPARE(card.titleLabel()->text(), title);
            QCOMPARE(card.titleLabel()->font().capitalization(), QFont::AllUppercase);
            QCOMPARE(card.titleLabel()->geometry().top(), 16);
            QCOMPARE(content->geometry().top(), card.titleLabel()->geometry().bottom() + 1 + 12);
            QCOMPARE(card.accessibleName(), title);
        }
    }

    void cardReplacesItsContent()
    {
        Card card("Status", new QWidget);
        QPointer<QWidget> first = card.content();
        auto* second = new QLabel("second");
        card.setContent(second);
        QVERIFY(first.isNull());
        QCOMPARE(card.content(), second);
        QCOMPARE(second->parentWidget(), &card);
        card.setTitle({});
        QCOMPARE(card.titleLabel(), nullptr);
    }

    // The paddings hold whatever the header holds; a subtitle adds its line under the title and a trailing
    // widget sits at the right padding.
    void screenHeaderPaddings_data()
    {
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<bool>("withTrailing");
        QTest::newRow("title only") << "" << false;
        QTest::newRow("subtitle") << "Connection and polling settings." << false;
        QTest::newRow("trailing") << "" << true;
        QTest::newRow("subtitle and trailing") << "All inbound webhooks across every listener." << true;
    }
    void screenHeaderPaddings()
    {
        QFETCH(QString, subtitle);
        QFETCH(bool, withTrailing);
        auto* trailing = withTrailing ? new QPushButton("Discard") : nullptr;
        ScreenHeader header("Preferences", subtitle, trailing);
        layOut(header, 600);

        const QRect title = header.titleLabel()->geometry();
        QCOMPARE(title.left(), 24);
        QVERIFY(title.top() >= 20);
        QCOMPARE(header.subtitleLabel()->isVisibleTo(&header), !subtitle.isEmpty());
        int textBottom = title.bottom();
        if (!subtitle.isEmpty()) {
            QCOMPARE(header.subtitleLabel()->geometry().top(), title.bottom() + 1 + 2);
            textBottom = header.subtitleLabel()->geometry().bottom();
        }
        int contentTop = title.top();
        int contentBottom = textBottom;
        if (trailing != nullptr) {
            QCOMPARE(trailing->geometry().right(), 600 - 24 - 1);
            contentTop = std::min(contentTop, trailing->geometry().top());
            contentBottom = std::max(contentBottom, trailing->geometry().bottom());
        }
        QCOMPARE(contentTop, 20);
        QCOMPARE(header.height() - 1 - contentBottom, 16);
        QCOMPARE(header.accessibleName(), "Preferences");
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

    void statusPill()
    {
        StatusPill pill("delivered", Theme::Colour::green);
        const QFontMetrics metrics(pill.font());
        QCOMPARE(pill.sizeHint(), QSize(metrics.horizontalAdvance("delivered") + 12, metrics.height() + 4));
        QCOMPARE(pill.accessibleName(), "delivered");
        QCOMPARE(pill.font().weight(), QFont::Medium);
        QCOMPARE(QFontInfo(pill.font()).pixelSize(), 10);

        layOut(pill);
        const QImage image = transparentRender(pill);
        // Left of the text, inside the capsule: the tint at 15 %.
        const QColor fill = image.pixelColor(3, pill.height() / 2);
        const QColor green = Theme::colour(Theme::Colour::green, pill.palette());
        QVERIFY2(std::abs(fill.alpha() - 38) <= 2, qPrintable(QString::number(fill.alpha())));
        QVERIFY(std::abs(fill.green() - green.green()) <= 4 && std::abs(fill.red() - green.red()) <= 4);
        // The corners are outside the capsule.
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);

        pill.setLabel("pending");
        QCOMPARE(pill.accessibleName(), "pending");
        QCOMPARE(pill.sizeHint().width(), metrics.horizontalAdvance("pending") + 12);
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
        QCOMPARE(banner.title(), title);
        QCOMPARE(banner.titleLabel()->visibleLines(banner.titleLabel()->contentsRect().width()), titleLines);
        QCOMPARE(banner.messageLabel()->visibleLines(banner.messageLabel()->contentsRect().width()), messageLines);
        const int lineSpacing = QFontMetrics(banner.messageLabel()->font()).lineSpacing();
        QCOMPARE(banner.messageLabel()->height(), lineSpacing * static_cast<int>(messageLines.size()));
        QVERIFY(banner.accessibleDescription().contains(banner.titleLabel()->text()));
        QVERIFY(banner.accessibleDescription().contains("corvane"));
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
        QVERIFY(label.minimumSizeHint().width() < 40);
        QCOMPARE(label.text(), "https://relay.example/hooks/0123456789/abcdef");
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

    void filledField_data()
    {
        QTest::addColumn<bool>("monospaced");
        QTest::addColumn<QLineEdit::EchoMode>("echo");
        QTest::newRow("plain") << false << QLineEdit::Normal;
        QTest::newRow("monospaced") << true << QLineEdit::Normal;
        QTest::newRow("password") << false << QLineEdit::Password;
    }
    void filledField()
    {
        QFETCH(bool, monospaced);
        QFETCH(QLineEdit::EchoMode, echo);
        QLineEdit field;
        field.setEchoMode(echo);
        FilledFieldStyle* style = FilledFieldStyle::apply(&field, monospaced);
        QCOMPARE(FilledFieldStyle::apply(&field, monospaced), style);
        QCOMPARE(field.findChildren<FilledFieldStyle*>().size(), 1);

        QVERIFY(!field.hasFrame());
        QCOMPARE(QFontInfo(field.font()).fixedPitch(), monospaced);
        QCOMPARE(QFontInfo(field.font()).pixelSize(), 13);
        // The field's own 2 px plus the text margins make 10 across; 7 above and below the text.
        QCOMPARE(field.textMargins().left(), 8);
        QCOMPARE(field.textMargins().right(), 8);
        QCOMPARE(field.sizeHint().height(), QFontMetrics(field.font()).height() + 2 * 7);

        style->setMonospaced(!monospaced);
        QCOMPARE(QFontInfo(field.font()).fixedPitch(), !monospaced);
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
