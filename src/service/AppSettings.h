#pragma once

#include "platform/SecretStore.h"

#include <QByteArray>
#include <QString>

#include <qcoro/qcorotask.h>

#include <optional>

// The connection settings: three values in the settings store (QSettings, organisation and
// application "corvane"), read at the moment of use, and the API token in a secret store. Values this
// process writes are on disk when the setter returns and are seen by every later read; a change another
// program makes to the file is seen after this process next writes a value, or restarts.
namespace corvane::AppSettings {

// The relay service used when no "serviceURL" is stored (a build setting; the embedded relay).
QString defaultServiceURL();

// "serviceURL" exactly as stored (an empty text stays empty), or the default when absent.
QString serviceURL();
void setServiceURL(const QString& url);

// "pollIntervalMs" as stored; 0 when absent or not a number.
qint64 pollIntervalMs();
void setPollIntervalMs(qint64 milliseconds);

std::optional<QString> accountEmail();
void setAccountEmail(const QString& email);

// The main window's frame as QWidget::saveGeometry wrote it; empty when none is stored.
QByteArray windowGeometry();
void setWindowGeometry(const QByteArray& geometry);

// The stored token, or none.
QCoro::Task<std::optional<QString>> keychainRead(SecretStore& store);

// Stores `token` and reports whether reading it back gives exactly `token`. A failed write is logged
// as "keychainWrite failed: OSStatus <code>".
QCoro::Task<bool> keychainWrite(SecretStore& store, QString token);

// Forgets the session: stores the empty token and, once it reads back, removes "accountEmail"; the
// service URL and the poll interval stay. False, with the e-mail kept, when the store did not confirm.
QCoro::Task<bool> clearSession(SecretStore& store);

} // namespace corvane::AppSettings
