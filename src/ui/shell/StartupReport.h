#pragma once

#include <QElapsedTimer>
#include <QString>

class QWidget;

// How long the program took to put a window on screen, for measuring start-up. Reports go to the
// logging category "corvane.startup", which is off unless enabled, e.g. with
// QT_LOGGING_RULES="corvane.startup.info=true"; while it is off nothing is watched.
namespace corvane::StartupReport {

// Logs once, as "<what> shown <N> ms after start", the time on `clock` when the first expose event of
// `window`'s native window has been handled: its first frame is then painted and handed to the window
// system. `window` must already be shown; the watch ends with its native window.
void watchFirstFrame(QWidget& window, const QElapsedTimer& clock, const QString& what);

} // namespace corvane::StartupReport
