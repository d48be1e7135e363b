#pragma once

#include <QString>

// What a desktop notification shows of a title or body rendered from a webhook, which anyone who knows
// the hook URL writes: a glance at the payload, never the whole of it, and never text that steers how
// the desktop draws it. Only the start of a text is looked at, however long it is.
namespace corvane::NotificationText {

// At most 120 UTF-16 code units for a summary and 300 for a body, the ellipsis included.
inline constexpr qsizetype titleLength = 120;
inline constexpr qsizetype bodyLength = 300;

// `text` made safe to show and cut to `limit`: bidirectional embeddings, overrides and isolates
// (U+202A–U+202E, U+2066–U+2069) and control characters other than line breaks and tabs are dropped,
// NUL becomes U+FFFD (D-Bus strings end at NUL), a run of combining marks keeps its first four; a text
// still longer than `limit` ends at a grapheme boundary (UAX #29) with "…".
QString shown(const QString& text, qsizetype limit);

// `text` as the body of a server that interprets markup (the Desktop Notifications Specification's
// "body-markup" capability): `&`, `<` and `>` escaped, so that no tag, link or image a sender wrote
// takes effect.
QString escapedForMarkup(const QString& text);

} // namespace corvane::NotificationText
