#include "ui/components/StyledLabel.h"

#include "ui/components/ThemeNotifier.h"

#include <QEvent>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr qreal disabledOpacity = 0.5;
// A wrapping label asks for no more than this many average characters per line.
constexpr int preferredLineCharacters = 60;

QString withLineSeparators(QString text)
{
    text.replace(u'\n', QChar::LineSeparator);
    return text;
}

QString onOneLine(QString text)
{
    text.replace(u'\n', u' ').replace(QChar::LineSeparator, u' ');
    return text;
}

// The last line that may be shown, given the text from its start on: as much as fits, and an ellipsis
// when anything is left out, be it the rest of a long paragraph or the lines after a line break.
QString lastLine(const QString& rest, const QFontMetricsF& metrics, int width)
{
    const auto lineEnd = rest.indexOf(QChar::LineSeparator);
    const bool continues = lineEnd >= 0 && lineEnd + 1 < rest.size();
    const QString line = rest.left(lineEnd);
    if (!continues) {
        return metrics.elidedText(line, Qt::ElideRight, width);
    }
    const QString ellipsis(QChar(0x2026));
    QString shown = metrics.elidedText(line, Qt::ElideRight, width - metrics.horizontalAdvance(ellipsis));
    if (!shown.endsWith(ellipsis)) {
        shown += ellipsis;
    }
    return shown;
}

} // namespace

StyledLabel::StyledLabel(QWidget* parent) : QLabel(parent), m_pixelSize(Theme::pixelSize(Theme::TextStyle::body))
{
    setTextFormat(Qt::PlainText);
    connect(ThemeNotifier::instance(), &ThemeNotifier::fontChanged, this, &StyledLabel::applyFont);
    applyFont();
    applyColour();
}

StyledLabel::StyledLabel(const QString& text, Theme::TextStyle style, Theme::Tint tint, QWidget* parent)
    : StyledLabel(parent)
{
    setText(text);
    m_tint = tint;
    setTextStyle(style);
    applyColour();
}

StyledLabel* StyledLabel::fieldTitle(const QString& text, QWidget* field)
{
    auto* title = new StyledLabel(text, Theme::TextStyle::callout);
    title->setTextStyle(Theme::TextStyle::callout, QFont::Medium);
    title->setBuddy(field);
    return title;
}

void StyledLabel::setTextStyle(Theme::TextStyle style)
{
    setTextStyle(style, style == Theme::TextStyle::headline ? QFont::DemiBold : QFont::Normal);
}

void StyledLabel::setTextStyle(Theme::TextStyle style, QFont::Weight weight)
{
    setSystemFont(Theme::pixelSize(style), weight);
}

void StyledLabel::setSystemFont(qreal pixels, QFont::Weight weight)
{
    m_pixelSize = pixels;
    m_weight = weight;
    applyFont();
}

void StyledLabel::setMonospaced(bool monospaced)
{
    m_monospaced = monospaced;
    applyFont();
}

void StyledLabel::setLetterSpacing(qreal pixels)
{
    m_letterSpacing = pixels;
    applyFont();
}

void StyledLabel::setUppercase(bool uppercase)
{
    m_uppercase = uppercase;
    applyFont();
}

void StyledLabel::setTint(const Theme::Tint& tint)
{
    m_tint = tint;
    applyColour();
}

void StyledLabel::setMaximumLines(int lines)
{
    m_maximumLines = std::max(0, lines);
    setWordWrap(m_maximumLines != 1);
    updateGeometry();
    update();
}

void StyledLabel::setSelectable()
{
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // QLabel takes the focus only by click for selectable text, which the keyboard never reaches.
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
}

void StyledLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elideMode = mode;
    update();
}

QStringList StyledLabel::visibleLines(int width) const
{
    const QFontMetricsF metrics(font());
    if (m_maximumLines == 1) {
        return {metrics.elidedText(onOneLine(text()), m_elideMode, width)};
    }
    const QString content = withLineSeparators(text());
    QTextLayout layout(content, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (m_maximumLines > 0 && lines.size() == m_maximumLines - 1) {
            lines.append(lastLine(content.mid(line.textStart()), metrics, width));
            break;
        }
        QString part = content.mid(line.textStart(), line.textLength());
        while (part.endsWith(QChar::LineSeparator)) {
            part.chop(1);
        }
        lines.append(part);
    }
    layout.endLayout();
    return lines;
}

QSize StyledLabel::sizeHint() const
{
    if (!isClamped()) {
        return QLabel::sizeHint();
    }
    // Fractional advances, rounded up: a width rounded down would elide the text it was measured for.
    const QFontMetricsF metrics(font());
    const QMargins margins = contentsMargins();
    qreal textWidth = 0;
    for (const auto& line : withLineSeparators(text()).split(QChar::LineSeparator)) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    }
    if (m_maximumLines != 1) {
        textWidth = std::min(textWidth, metrics.averageCharWidth() * preferredLineCharacters);
    }
    const int width = static_cast<int>(std::ceil(textWidth)) + margins.left() + margins.right();
    return {width, heightForWidth(width)};
}

QSize StyledLabel::minimumSizeHint() const
{
    if (!isClamped()) {
        return QLabel::minimumSizeHint();
    }
    const QFontMetrics metrics(font());
    const QMargins margins = contentsMargins();
    // Narrow enough to elide, tall enough for one line.
    return {metrics.horizontalAdvance(QStringLiteral("…")) + margins.left() + margins.right(),
        blockHeight(1) + margins.top() + margins.bottom()};
}

bool StyledLabel::hasHeightForWidth() const
{
    return isClamped() ? m_maximumLines != 1 : QLabel::hasHeightForWidth();
}

int StyledLabel::heightForWidth(int width) const
{
    if (!isClamped()) {
        return QLabel::heightForWidth(width);
    }
    const QMargins margins = contentsMargins();
    const auto lines = static_cast<int>(visibleLines(std::max(1, width - margins.left() - margins.right())).size());
    return blockHeight(std::max(1, lines)) + margins.top() + margins.bottom();
}

int StyledLabel::blockHeight(int lines) const
{
    // Lines follow each other at the font's spacing; the last one keeps its whole descent.
    return (lines - 1) * QFontMetrics(font()).lineSpacing() + Theme::lineHeight(font());
}

void StyledLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (m_applying) {
        return;
    }
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        applyColour();
    }
}

void StyledLabel::paintEvent(QPaintEvent* event)
{
    if (!isClamped()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QRect area = contentsRect();
    const QFontMetrics metrics(font());
    const QStringList lines = visibleLines(area.width());
    const int height = blockHeight(static_cast<int>(lines.size()));
    int top = area.top();
    if (alignment() & Qt::AlignVCenter) {
        top += (area.height() - height) / 2;
    } else if (alignment() & Qt::AlignBottom) {
        top += area.height() - height;
    }
    for (const auto& line : lines) {
        const QRect lineRect(area.left(), top, area.width(), Theme::lineHeight(font()));
        painter.drawText(lineRect, static_cast<int>(alignment() & Qt::AlignHorizontal_Mask), line);
        top += metrics.lineSpacing();
    }
}

void StyledLabel::applyFont()
{
    QFont font = Theme::systemFont(m_pixelSize, m_weight);
    if (m_monospaced) {
        font = Theme::monospaced(font);
    }
    font.setLetterSpacing(QFont::AbsoluteSpacing, m_letterSpacing);
    font.setCapitalization(m_uppercase ? QFont::AllUppercase : QFont::MixedCase);
    m_applying = true;
    setFont(font);
    m_applying = false;
    updateGeometry();
}

void StyledLabel::applyColour()
{
    const QColor colour = Theme::colour(m_tint, palette());
    // Only the text colour is set; every other role stays inherited and follows the desktop.
    QPalette colours;
    colours.setColor(QPalette::WindowText, colour);
    colours.setColor(QPalette::Disabled, QPalette::WindowText, Theme::withOpacity(colour, disabledOpacity));
    m_applying = true;
    setPalette(colours);
    m_applying = false;
}

} // namespace corvane
