#include "platform/NotificationText.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace corvane::NotificationText {
namespace {

// Combining marks kept on one base character: enough for any script's stacked diacritics.
constexpr int marksKept = 4;

bool steersDirection(char16_t unit)
{
    return (unit >= 0x202A && unit <= 0x202E) || (unit >= 0x2066 && unit <= 0x2069);
}

bool isDroppedControl(char16_t unit)
{
    const bool control = unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
    return control && unit != u'\n' && unit != u'\r' && unit != u'\t' && unit != 0;
}

QString cleaned(QStringView text)
{
    QString result;
    result.reserve(text.size());
    int marks = 0;
    for (const QChar character : text) {
        const char16_t unit = character.unicode();
        if (steersDirection(unit) || isDroppedControl(unit)) {
            continue;
        }
        if (unit == 0) {
            result += QChar::ReplacementCharacter;
            marks = 0;
            continue;
        }
        // Surrogate pairs stay whole; marks outside the BMP are rare enough to pass uncounted.
        const bool mark = QChar::isMark(unit);
        marks = mark ? marks + 1 : 0;
        if (marks <= marksKept) {
            result += character;
        }
    }
    return result;
}

} // namespace

QString shown(const QString& text, qsizetype limit)
{
    // Dropped characters can shorten what is looked at; four times the limit leaves room for them.
    const qsizetype looked = std::min(text.size(), limit * 4);
    QString clean = cleaned(QStringView(text).first(looked));
    if (looked == text.size() && clean.size() <= limit) {
        return clean;
    }
    const QStringView start = QStringView(clean).first(std::min(clean.size(), limit + 1));
    QTextBoundaryFinder graphemes(
        QTextBoundaryFinder::Grapheme, start.data(), static_cast<int>(start.size()), nullptr, 0);
    graphemes.setPosition(static_cast<int>(std::min(start.size(), limit - 1)));
    qsizetype cut = graphemes.isAtBoundary() ? graphemes.position() : graphemes.toPreviousBoundary();
    while (cut > 0 && start[cut - 1].isSpace()) {
        --cut;
    }
    return start.first(std::max<qsizetype>(cut, 0)).toString() + QChar(0x2026);
}

QString escapedForMarkup(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar character : text) {
        switch (character.unicode()) {
        case u'&':
            escaped += QLatin1String("&amp;");
            break;
        case u'<':
            escaped += QLatin1String("&lt;");
            break;
        case u'>':
            escaped += QLatin1String("&gt;");
            break;
        default:
            escaped += character;
        }
    }
    return escaped;
}

} // namespace corvane::NotificationText
