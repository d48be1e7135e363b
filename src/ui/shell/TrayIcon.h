#pragma once

#include <QIcon>
#include <QString>

// The tray icon: a bell in white with a dark outline, so that it reads on light and dark panels alike,
// with a badge for the state. Drawn from our own SVGs (resources/tray).
namespace corvane::TrayIcon {

// The icon's name for a state: "signed-out" (the bell dimmed, no badge), "offline" (a red cross),
// "paused" (amber pause bars) or "connected" (a green dot).
QString name(bool signedIn, bool connected, bool paused);

// The icon of that name, drawn at the sizes tray hosts ask for; a null icon for an unknown name.
QIcon icon(const QString& name);

} // namespace corvane::TrayIcon
