#include "core/Notifier.h"

#include "BuildSettings.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QVariantMap>

#include <qcoro/qcorodbuspendingcall.h>

namespace corvane {
namespace {

constexpr auto service = "org.freedesktop.Notifications";
constexpr auto path = "/org/freedesktop/Notifications";
constexpr auto interface = "org.freedesktop.Notifications";

QDBusMessage notificationsCall(const QString& method)
{
    return QDBusMessage::createMethodCall(service, path, interface, method);
}

} // namespace

Notifier& Notifier::shared()
{
    static Notifier instance(QDBusConnection::sessionBus(), QStringLiteral(CORVANE_SOUNDS_FOLDER));
    return instance;
}

Notifier::Notifier(QDBusConnection bus, QString soundsFolder, std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_soundsFolder(std::move(soundsFolder)),
      m_timeoutMilliseconds(static_cast<int>(timeout.count()))
{
}

QCoro::Task<> Notifier::requestAuthorizationIfNeeded()
{
    QPointer self(this);
    const QDBusPendingCall pending = m_bus.asyncCall(notificationsCall("GetCapabilities"), m_timeoutMilliseconds);
    const QDBusMessage reply = co_await pending;
    if (!self) {
        co_return;
    }
    m_authorized = reply.type() == QDBusMessage::ReplyMessage;
    m_serverPlaysSounds = m_authorized && reply.arguments().value(0).toStringList().contains("sound");
}

QCoro::Task<> Notifier::fire(QString title, QString body, std::optional<QString> sound)
{
    QPointer self(this);
    if (!m_authorized) {
        co_await requestAuthorizationIfNeeded();
        if (!self) {
            co_return;
        }
    }
    QVariantMap hints;
    if (sound && !sound->isEmpty()) {
        hints.insert("sound-file", QDir(m_soundsFolder).filePath(*sound + ".aiff"));
    } else {
        hints.insert("sound-name", "message-new-instant");
    }
    QDBusMessage notify = notificationsCall("Notify");
    // app_name, replaces_id (0: a new notification), app_icon, summary, body, actions, hints, timeout
    notify << QStringLiteral("corvane") << 0U << QStringLiteral("dev.corvane.app")
           << (title.isEmpty() ? QStringLiteral("corvane") : title) << body << QStringList() << hints << -1;
    const QDBusPendingCall pending = m_bus.asyncCall(notify, m_timeoutMilliseconds);
    co_await pending;
    if (self) {
        playSoundIfServerWillNot(sound);
    }
}

void Notifier::playSoundIfServerWillNot(const std::optional<QString>& sound) const
{
    if (!m_authorized || m_serverPlaysSounds) {
        return;
    }
    const QString file = sound && !sound->isEmpty() ? QDir(m_soundsFolder).filePath(*sound + ".aiff")
                                                    : QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                          "sounds/freedesktop/stereo/message-new-instant.oga");
    if (QFileInfo::exists(file)) {
        m_player.play(file);
    }
}

} // namespace corvane
