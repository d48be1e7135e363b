#include "platform/DesktopEntry.h"

namespace corvane::DesktopEntry {

QString quoteExecArgument(const QString& argument)
{
    // Reserved characters need the argument quoted, and inside quotes ", `, $ and \ are escaped with a
    // backslash; a literal % is written %%.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString escaped;
    bool needsQuotes = false;
    for (const QChar character : argument) {
        needsQuotes = needsQuotes || reserved.contains(character);
        if (character == u'"' || character == u'`' || character == u'$' || character == u'\\') {
            escaped += u'\\';
        }
        escaped += character == u'%' ? QStringLiteral("%%") : QString(character);
    }
    return needsQuotes ? u'"' + escaped + u'"' : escaped;
}

} // namespace corvane::DesktopEntry
