#include "ui/components/Theme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace corvane::Theme {

namespace {

constexpr qreal defaultPointSize = 10.0;
constexpr qreal defaultPixelSize = 13.0;
// A Phosphor glyph fills about four fifths of its square.
constexpr qreal symbolToText = 1.25;

struct Shades {
    QRgb onLight;
    QRgb onDark;
};

// Each pair keeps a contrast of at least 4.5:1 against the window and base colours of common light and
// dark schemes, so the colours serve as text as well as for dots and glyphs.
constexpr Shades greenShades{0xff1b7d3a, 0xff4cc76a};
constexpr Shades orangeShades{0xffad4a00, 0xfff29d4b};
constexpr Shades redShades{0xffc4212d, 0xffff6b6b};
constexpr Shades blueShades{0xff0a5fcc, 0xff5aa4ff};

QColor pick(const Shades& shades, const QPalette& palette)
{
    return QColor::fromRgb(isDark(palette) ? shades.onDark : shades.onLight);
}

} // namespace

qreal pixelSize(TextStyle style)
{
    switch (style) {
    case TextStyle::title3:
        return 15;
    case TextStyle::headline:
    case TextStyle::body:
        return 13;
    case TextStyle::callout:
        return 12;
    case TextStyle::caption:
    case TextStyle::caption2:
        return 10;
    }
    return defaultPixelSize;
}

qreal fontScale()
{
    const QFont font = QApplication::font();
    if (font.pixelSize() > 0) {
        return font.pixelSize() / defaultPixelSize;
    }
    if (font.pointSizeF() > 0) {
        return font.pointSizeF() / defaultPointSize;
    }
    return 1.0;
}

int scaled(qreal pixels)
{
    return std::max(1, static_cast<int>(std::lround(pixels * fontScale())));
}

int symbolSize(qreal fontPixels)
{
    return scaled(fontPixels * symbolToText);
}

QFont font(TextStyle style)
{
    return font(style, style == TextStyle::headline ? QFont::DemiBold : QFont::Normal);
}

QFont font(TextStyle style, QFont::Weight weight)
{
    return systemFont(pixelSize(style), weight);
}

QFont systemFont(qreal pixels, QFont::Weight weight)
{
    QFont font = QApplication::font();
    font.setPixelSize(scaled(pixels));
    font.setWeight(weight);
    return font;
}

QFont monospaced(const QFont& font)
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(QFontInfo(font).pixelSize());
    fixed.setWeight(font.weight());
    return fixed;
}

int lineHeight(const QFont& font)
{
    return static_cast<int>(std::ceil(QFontMetricsF(font).height()));
}

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor colour(Colour role, const QPalette& palette)
{
    const QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    switch (role) {
    case Colour::primary:
        return text;
    case Colour::secondary:
        return blend(text, base, 0.55);
    case Colour::tertiary:
        return blend(text, base, 0.35);
    case Colour::accent:
        return palette.color(QPalette::Highlight);
    case Colour::green:
        return pick(greenShades, palette);
    case Colour::orange:
        return pick(orangeShades, palette);
    case Colour::red:
        return pick(redShades, palette);
    case Colour::blue:
        return pick(blueShades, palette);
    case Colour::white:
        return Qt::white;
    case Colour::black:
        return Qt::black;
    }
    return text;
}

QColor colour(const Tint& tint, const QPalette& palette)
{
    if (const auto* role = std::get_if<Colour>(&tint)) {
        return colour(*role, palette);
    }
    return std::get<QColor>(tint);
}

QColor withOpacity(const QColor& colour, qreal opacity)
{
    QColor result = colour;
    result.setAlphaF(static_cast<float>(colour.alphaF() * std::clamp(opacity, 0.0, 1.0)));
    return result;
}

QColor blend(const QColor& top, const QColor& bottom, qreal opacity)
{
    const qreal weight = std::clamp(opacity, 0.0, 1.0);
    const auto mix
        = [weight](qreal over, qreal under) { return static_cast<float>(over * weight + under * (1 - weight)); };
    return QColor::fromRgbF(
        mix(top.redF(), bottom.redF()), mix(top.greenF(), bottom.greenF()), mix(top.blueF(), bottom.blueF()));
}

} // namespace corvane::Theme
