#include "platform/DesktopNotifier.h"

#include "platform/Logging.h"
#include "platform/NotificationText.h"
#include "platform/WindowActivation.h"

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

// Distinct rejected sound names logged at most, so that a relay cannot grow the log's memory.
constexpr qsizetype rejectedSoundsLogged = 32;
// Posted notifications whose clicks are still answered; older ones are forgotten.
constexpr std::size_t targetsRemembered = 256;

constexpr auto defaultAction = "default";
constexpr auto showAction = "show";

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

DesktopNotifier::DesktopNotifier(
    QDBusConnection bus, QString soundsFolder, std::chrono::milliseconds timeout, QObject* parent)
    : Notifier(parent), m_bus(std::move(bus)), m_soundsFolder(std::move(soundsFolder)),
      m_timeoutMilliseconds(static_cast<int>(timeout.count()))
{
    m_bus.connect(service, path, interface, "ActionInvoked", this, SLOT(actionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, "ActivationToken", this, SLOT(activationToken(uint, QString)));
}

QCoro::Task<> DesktopNotifier::requestAuthorizationIfNeeded()
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
    m_serverHasActions = capabilities.contains("actions");
}

QCoro::Task<> DesktopNotifier::fire(Notification notification)
{
    QPointer self(this);
    if (!m_authorized) {
        co_await requestAuthorizationIfNeeded();
        if (!self) {
            co_return;
        }
    }
    const auto file = soundFile(notification.sound);
    QVariantMap hints;
    if (file) {
        hints.insert("sound-file", *file);
    } else {
        hints.insert("sound-name", "message-new-instant");
    }
    // The summary is plain text to every server; the body is markup to those that say so.
    const QString summary = NotificationText::shown(notification.title, NotificationText::titleLength);
    const QString shownBody = NotificationText::shown(notification.body, NotificationText::bodyLength);
    QStringList actions;
    if (m_serverHasActions) {
        actions << defaultAction << (notification.link ? tr("Open link") : tr("Show in Corvane"));
        if (notification.link) {
            actions << showAction << tr("Show in Corvane");
        }
    }
    QDBusMessage notify = notificationsCall("Notify");
    // app_name, replaces_id (0: a new notification), app_icon, summary, body, actions, hints, timeout
    notify << QStringLiteral("corvane") << 0U << QStringLiteral("dev.corvane.app")
           << (summary.isEmpty() ? QStringLiteral("corvane") : summary)
           << (m_serverReadsMarkup ? NotificationText::escapedForMarkup(shownBody) : shownBody) << actions << hints
           << -1;
    const QDBusPendingCall pending = m_bus.asyncCall(notify, m_timeoutMilliseconds);
    const QDBusMessage reply = co_await pending;
    if (!self) {
        co_return;
    }
    if (!actions.isEmpty() && reply.type() == QDBusMessage::ReplyMessage) {
        remember(reply.arguments().value(0).toUInt(), {notification.payloadId, std::move(notification.link)});
    }
    playSoundIfServerWillNot(file);
}

void DesktopNotifier::actionInvoked(uint id, const QString& action)
{
    const auto target = m_targets.constFind(id);
    if (target == m_targets.constEnd()) {
        return;
    }
    const std::optional<QUrl>& link = target->link;
    if (action == QLatin1String(defaultAction) && link) {
        emit linkRequested(*link);
    } else if (action == QLatin1String(defaultAction) || action == QLatin1String(showAction)) {
        emit payloadRequested(target->payloadId);
    }
}

void DesktopNotifier::activationToken(uint id, const QString& token)
{
    if (m_targets.contains(id)) {
        WindowActivation::grant(token);
    }
}

void DesktopNotifier::remember(uint id, Target target)
{
    if (m_targets.contains(id)) {
        m_targets[id] = std::move(target);
        return;
    }
    if (m_targetOrder.size() == targetsRemembered) {
        m_targets.remove(m_targetOrder.front());
        m_targetOrder.pop_front();
    }
    m_targets.emplace(id, std::move(target));
    m_targetOrder.push_back(id);
}

std::optional<QString> DesktopNotifier::soundFile(const std::optional<QString>& sound)
{
    if (!sound || sound->isEmpty()) {
        return std::nullopt;
    }
    QString file = QDir(m_soundsFolder).filePath(*sound + ".aiff");
    if (isPlainName(*sound) && QFileInfo::exists(file)) {
        return file;
    }
    if (m_rejectedSounds.size() < rejectedSoundsLogged && !m_rejectedSounds.contains(*sound)) {
        m_rejectedSounds.insert(*sound);
        qCWarning(lcPlatform).nospace() << "Sound " << *sound << " is not one of the sounds in " << m_soundsFolder
                                        << "; the default sound plays instead";
    }
    return std::nullopt;
}

void DesktopNotifier::playSoundIfServerWillNot(const std::optional<QString>& file) const
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
