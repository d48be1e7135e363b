#pragma once

class QString;

namespace corvane::Clipboard {

// Puts `text` on the desktop's clipboard as plain text, and in the selection where the desktop has one.
void copyText(const QString& text);

} // namespace corvane::Clipboard
