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

QSettings settings()
{
    return {QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane"};
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
    settings().setValue(serviceURLKey, url);
}

qint64 pollIntervalMs()
{
    return settings().value(pollIntervalKey, 0).toLongLong();
}

void setPollIntervalMs(qint64 milliseconds)
{
    settings().setValue(pollIntervalKey, milliseconds);
}

std::optional<QString> accountEmail()
{
    const QVariant value = settings().value(accountEmailKey);
    return value.isValid() ? std::optional(value.toString()) : std::nullopt;
}

void setAccountEmail(const QString& email)
{
    settings().setValue(accountEmailKey, email);
}

QByteArray windowGeometry()
{
    return settings().value(windowGeometryKey).toByteArray();
}

void setWindowGeometry(const QByteArray& geometry)
{
    settings().setValue(windowGeometryKey, geometry);
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
    co_return true;
}

} // namespace corvane::AppSettings
