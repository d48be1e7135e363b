#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

#include <variant>

// The one place for the app's type styles and colours. Sizes are logical pixels at the desktop's
// default font size; they grow and shrink with the application font, so a desktop set to a larger
// font gets larger text everywhere. Colours derive from a palette, so they follow the desktop's light
// or dark scheme: widgets ask for them while painting or when they receive a palette change.
namespace corvane::Theme {

enum class TextStyle {
    title3, // 15
    headline, // 13, semibold
    body, // 13
    callout, // 12
    caption, // 10
    caption2, // 10
};

enum class Colour {
    primary, // the palette's text
    secondary, // text at 55 % over the base
    tertiary, // text at 35 % over the base
    accent, // the palette's highlight
    green,
    orange,
    red,
    blue,
    white,
    black,
};

// A semantic colour that is resolved against the palette in use, or one fixed colour.
using Tint = std::variant<Colour, QColor>;

// The application font's size relative to the default (10 pt, 13 px at 96 dpi).
qreal fontScale();

// Scales a size given at the default font size, rounded to whole pixels and at least 1.
int scaled(qreal pixels);

// The style's size in pixels at the default font size (before scaling).
qreal pixelSize(TextStyle style);
// The side of the square a symbol takes beside text of `fontPixels` (given at the default font size),
// scaled: symbols are drawn a little larger than the text so that their glyphs match its capitals.
int symbolSize(qreal fontPixels);

// The style's font, at its own weight (semibold for headline, regular otherwise).
QFont font(TextStyle style);
QFont font(TextStyle style, QFont::Weight weight);
// The system font at an explicit size, such as the 22 px semibold screen titles.
QFont systemFont(qreal pixels, QFont::Weight weight = QFont::Normal);
// The same size and weight in the desktop's fixed-pitch family.
QFont monospaced(const QFont& font);
// The height a line of `font` needs for nothing of it to be cut off: its ascent and descent as the font
// gives them, added, then rounded up. QFontMetrics::height() rounds the two on their own and can fall a
// pixel short of the descent, cutting an underscore.
int lineHeight(const QFont& font);

bool isDark(const QPalette& palette);
QColor colour(Colour role, const QPalette& palette);
QColor colour(const Tint& tint, const QPalette& palette);
// `colour` with its alpha multiplied by `opacity` (0 to 1).
QColor withOpacity(const QColor& colour, qreal opacity);
// `top` painted over `bottom` at `opacity`, as one opaque colour.
QColor blend(const QColor& top, const QColor& bottom, qreal opacity);

} // namespace corvane::Theme
