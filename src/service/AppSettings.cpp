#include "service/AppSettings.h"

#include "BuildSettings.h"

#include "platform/Logging.h"

#include <QSettings>

namespace corvane::AppSettings {
namespace {

constexpr auto serviceURLKey = "serviceURL";
constexpr auto pollIntervalKey = "pollIntervalMs";
constexpr auto accountEmailKey = "accountEmail";
constexpr auto windowGeometryKey = "windows/main/geometry";

// One object per thread: making a QSettings finds and stats every file it reads (about 40 µs), and
// the app reads the service URL for every request it sends. Every QSettings of the process shares
// what it has read and written, so a value written through another object is seen at once.
QSettings& settings()
{
    thread_local QSettings shared(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane");
    return shared;
}

// Writes the file now, as destroying a QSettings of its own did.
void store(QAnyStringView key, const QVariant& value)
{
    settings().setValue(key, value);
    settings().sync();
}

} // namespace

QString defaultServiceURL()
{
    return QStringLiteral(CORVANE_DEFAULT_SERVICE_URL);
}

QString serviceURL()
{
    return settings().value(serviceURLKey, defaultServiceURL()).toString();
}

void setServiceURL(const QString& url)
{
    store(serviceURLKey, url);
}

qint64 pollIntervalMs()
{
    return settings().value(pollIntervalKey, 0).toLongLong();
}

void setPollIntervalMs(qint64 milliseconds)
{
    store(pollIntervalKey, milliseconds);
}

std::optional<QString> accountEmail()
{
    const QVariant value = settings().value(accountEmailKey);
    return value.isValid() ? std::optional(value.toString()) : std::nullopt;
}

void setAccountEmail(const QString& email)
{
    store(accountEmailKey, email);
}

QByteArray windowGeometry()
{
    return settings().value(windowGeometryKey).toByteArray();
}

void setWindowGeometry(const QByteArray& geometry)
{
    store(windowGeometryKey, geometry);
}

QCoro::Task<std::optional<QString>> keychainRead(SecretStore& store)
{
    co_return co_await store.read();
}

QCoro::Task<bool> keychainWrite(SecretStore& store, QString token)
{
    const int status = co_await store.write(token);
    if (status != 0) {
        qCWarning(lcPlatform).noquote() << QStringLiteral("keychainWrite failed: OSStatus %1").arg(status);
    }
    const auto readBack = co_await store.read();
    co_return readBack == token;
}

QCoro::Task<bool> clearSession(SecretStore& store)
{
    const bool cleared = co_await keychainWrite(store, QString());
    if (!cleared) {
        co_return false;
    }
    settings().remove(accountEmailKey);
    settings().sync();
    co_return true;
}

} // namespace corvane::AppSettings
