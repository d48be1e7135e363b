#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

// Makes the desktop open URLs of the app's own scheme (corvane://…) with the app.
namespace corvane::UrlSchemeHandler {

// Registers `desktopId` as the handler of `scheme` unless the desktop already has a handler for it
// (ours, or one the user chose). When no desktop entry called `desktopId` is installed, a hidden one
// that starts `executable` is written to the user's applications folder first. Uses xdg-mime; without
// it nothing is registered and the log says so.
QCoro::Task<> ensureRegistered(QString desktopId, QString scheme, QString executable);

// The Exec value that starts `executable` with the URL: quoted as desktop entries require.
QString execLine(const QString& executable);

} // namespace corvane::UrlSchemeHandler
