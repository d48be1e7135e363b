#include "ui/components/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace corvane::Clipboard {

void copyText(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text, QClipboard::Clipboard);
    if (clipboard->supportsSelection()) {
        clipboard->setText(text, QClipboard::Selection);
    }
}

} // namespace corvane::Clipboard
