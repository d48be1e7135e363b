#pragma once

#include <QString>

class QWindow;

// The X11 side of bringing a window forward for a program the desktop started: the freedesktop
// startup-notification protocol (version 0.1) and EWMH activation. Only for windows on the xcb platform.
namespace corvane::X11StartupNotification {

// Marks `window` as the outcome of the launch `startupId` (its _NET_STARTUP_ID, which window managers
// weigh against focus stealing), asks for activation at the time the id carries ("_TIME<n>") and ends
// the launch feedback ("remove").
void complete(QWindow& window, const QString& startupId);

} // namespace corvane::X11StartupNotification
