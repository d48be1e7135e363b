#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

// Makes the desktop open URLs of the app's own scheme (corvane://…) with the app.
namespace corvane::UrlSchemeHandler {

// Registers `desktopId` as the handler of `scheme` unless the desktop already has a handler for it
// (ours, or one the user chose). An installed program uses its installed entry (`desktopId` in a
// system applications folder of $XDG_DATA_DIRS), writes none of its own and removes the hidden one an
// earlier build run from a source tree left in the user's folder, which would hide the installed one.
// Otherwise, when no desktop entry called `desktopId` exists, a hidden one that starts `executable` is
// written to the user's applications folder first. Uses xdg-mime; without it nothing is registered and
// the log says so.
QCoro::Task<> ensureRegistered(QString desktopId, QString scheme, QString executable);

// The Exec value that starts `executable` with the URL: quoted as desktop entries require.
QString execLine(const QString& executable);

} // namespace corvane::UrlSchemeHandler
