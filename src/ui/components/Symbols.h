#pragma once

#include "ui/components/Theme.h"

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// The app's icons, looked up by the symbol names the screens use ("bell.fill", "circle.dotted",
// "gearshape", ...). They are bundled SVGs (resources/icons, from the Phosphor set: outline glyphs for
// plain names, filled glyphs for ".fill" names), drawn in one colour at any size and cached.
namespace corvane::Symbols {

// Every symbol name the screens use; each one is bundled.
const QStringList& names();
bool contains(const QString& name);

// The symbol fitted into a square of `size` logical pixels, in `colour`, for a screen of
// `devicePixelRatio`. A null pixmap for an unknown name or an empty size.
QPixmap pixmap(const QString& name, int size, const QColor& colour, qreal devicePixelRatio = 1.0);

// An icon that draws the symbol at any size a widget asks for. A semantic tint is resolved against the
// application palette every time the icon is drawn, so it follows a change of colour scheme. Disabled
// icons are drawn at reduced opacity, selected ones in the palette's highlighted-text colour.
QIcon icon(const QString& name, const Theme::Tint& tint = Theme::Colour::primary);

} // namespace corvane::Symbols
