#include "core/Notifier.h"

#include "core/NotificationText.h"

#include "BuildSettings.h"

#include "platform/Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QVariantMap>

#include <qcoro/qcorodbuspendingcall.h>

#include <algorithm>
#include <array>

namespace corvane {
namespace {

constexpr auto service = "org.freedesktop.Notifications";
constexpr auto path = "/org/freedesktop/Notifications";
constexpr auto interface = "org.freedesktop.Notifications";

// The sounds installed with the app, as <name>.aiff in the sounds folder.
constexpr std::array bundledSounds{"Bottle", "Funk", "Glass", "Hero", "Ping", "Pop", "Sosumi", "Submarine"};

// Distinct rejected sound names logged at most, so that a relay cannot grow the log's memory.
constexpr qsizetype rejectedSoundsLogged = 32;

// A name that cannot leave the folder it is looked up in.
bool isPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1String(".."))
        && !name.contains(QChar::Null);
}

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
    const QStringList capabilities = m_authorized ? reply.arguments().value(0).toStringList() : QStringList();
    m_serverPlaysSounds = capabilities.contains("sound");
    m_serverReadsMarkup = capabilities.contains("body-markup");
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
    const auto file = soundFile(sound);
    QVariantMap hints;
    if (file) {
        hints.insert("sound-file", *file);
    } else {
        hints.insert("sound-name", "message-new-instant");
    }
    // The summary is plain text to every server; the body is markup to those that say so.
    const QString summary = NotificationText::shown(title, NotificationText::titleLength);
    const QString shownBody = NotificationText::shown(body, NotificationText::bodyLength);
    QDBusMessage notify = notificationsCall("Notify");
    // app_name, replaces_id (0: a new notification), app_icon, summary, body, actions, hints, timeout
    notify << QStringLiteral("corvane") << 0U << QStringLiteral("dev.corvane.app")
           << (summary.isEmpty() ? QStringLiteral("corvane") : summary)
           << (m_serverReadsMarkup ? NotificationText::escapedForMarkup(shownBody) : shownBody) << QStringList()
           << hints << -1;
    const QDBusPendingCall pending = m_bus.asyncCall(notify, m_timeoutMilliseconds);
    co_await pending;
    if (self) {
        playSoundIfServerWillNot(file);
    }
}

std::optional<QString> Notifier::soundFile(const std::optional<QString>& sound)
{
    if (!sound || sound->isEmpty()) {
        return std::nullopt;
    }
    QString file = QDir(m_soundsFolder).filePath(*sound + ".aiff");
    if (isPlainName(*sound)
        && (std::ranges::find(bundledSounds, *sound) != bundledSounds.end() || QFileInfo::exists(file))) {
        return file;
    }
    if (m_rejectedSounds.size() < rejectedSoundsLogged && !m_rejectedSounds.contains(*sound)) {
        m_rejectedSounds.insert(*sound);
        qCWarning(lcPlatform).nospace() << "Sound " << *sound << " is not one of the sounds in " << m_soundsFolder
                                        << "; the default sound plays instead";
    }
    return std::nullopt;
}

void Notifier::playSoundIfServerWillNot(const std::optional<QString>& file) const
{
    if (!m_authorized || m_serverPlaysSounds) {
        return;
    }
    const QString played = file.value_or(QStandardPaths::locate(
        QStandardPaths::GenericDataLocation, "sounds/freedesktop/stereo/message-new-instant.oga"));
    if (QFileInfo::exists(played)) {
        m_player.play(played);
    }
}

} // namespace corvane
