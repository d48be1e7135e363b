#pragma once

#include <QString>

class QWidget;

// Bringing a window forward when another program asks for it. Desktops only let a program take the
// focus with their permission: an xdg-activation-v1 token on Wayland, a startup notification id on
// X11 (the freedesktop startup-notification protocol), handed to the programs they start and to the
// notification servers' click reports.
namespace corvane::WindowActivation {

// The permission the desktop gave this process when it started it (XDG_ACTIVATION_TOKEN, else
// DESKTOP_STARTUP_ID); empty without one. Read it before the QGuiApplication exists: Qt's X11
// integration takes DESKTOP_STARTUP_ID out of the environment as it connects.
QString tokenFromEnvironment();

// Keeps `token` for the next bringForward() and for the programs this process starts until then (a
// browser opened for a click takes the focus with it).
void grant(const QString& token);

// Shows `window` (restored when minimised), raises it and asks for the keyboard, with `token` when
// given, else with one granted before. The token is spent either way, so a stale one is never offered
// again.
void bringForward(QWidget& window, const QString& token = {});

} // namespace corvane::WindowActivation
