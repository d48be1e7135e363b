#pragma once

#include <QString>

// Values of freedesktop.org desktop entries (Desktop Entry Specification 1.5).
namespace corvane::DesktopEntry {

// One argument of an Exec value, quoted when it holds a reserved character ("The Exec key"). This is the
// value before the general escaping of string values, which the entry's writer still applies.
QString quoteExecArgument(const QString& argument);

// A string value as written in the file ("Possible value types"): backslash, newline, tab and carriage
// return escaped.
QString escapeString(const QString& value);

} // namespace corvane::DesktopEntry
