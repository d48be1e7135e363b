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

QString escapeString(const QString& value)
{
    QString escaped;
    for (const QChar character : value) {
        switch (character.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += character;
        }
    }
    return escaped;
}

} // namespace corvane::DesktopEntry
