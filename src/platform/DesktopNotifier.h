#pragma once

#include "platform/Notifier.h"
#include "platform/SoundPlayer.h"

#include <QDBusConnection>
#include <QHash>
#include <QSet>
#include <QString>

#include <chrono>
#include <deque>
#include <optional>

namespace corvane {

// Notifications through org.freedesktop.Notifications on the session bus (Desktop Notifications
// Specification 1.2), with asynchronous calls only. "Authorized" means a notification server answers.
class DesktopNotifier : public Notifier {
    Q_OBJECT

public:
    // `soundsFolder` holds the <name>.aiff files that a sound name points at. A server that has not
    // answered a call within `timeout` is taken as absent for that call.
    DesktopNotifier(QDBusConnection bus, QString soundsFolder,
        std::chrono::milliseconds timeout = std::chrono::seconds(5), QObject* parent = nullptr);

    // Asks whether a notification server answers, which capabilities it has; never fails.
    QCoro::Task<> requestAuthorizationIfNeeded() override;

    // Title and body are shown as NotificationText::shown makes them (cut to 120 and 300 UTF-16 code
    // units, line breaks kept); an empty title becomes "corvane", and a server that interprets markup
    // gets the body escaped. A sound name asks for <name>.aiff in the sounds folder when it names a file
    // there without leaving it (no "/", no ".."); any other name, or none, asks for the desktop's
    // default message sound, and a rejected name is logged the first time it is seen. When the server
    // does not play sounds, the sound is played here. A server that lists "actions" gets the click
    // (the "default" action: the link when there is one, otherwise the webhook) and, with a link,
    // "Show in Corvane" for the webhook.
    QCoro::Task<> fire(Notification notification) override;

    bool isAuthorized() const override { return m_authorized; }

private:
    // Receivers of the server's signals.
    Q_INVOKABLE void actionInvoked(uint id, const QString& action);
    // Sent just before an action by servers that support xdg-activation (Desktop Notifications
    // Specification 1.2): the token lets the window that the action brings forward take the focus on Wayland.
    Q_INVOKABLE void activationToken(uint id, const QString& token);

    // What a click on one posted notification leads to.
    struct Target {
        QString payloadId;
        std::optional<QUrl> link;
    };

    // The file `sound` names, or none for the default sound.
    std::optional<QString> soundFile(const std::optional<QString>& sound);
    void playSoundIfServerWillNot(const std::optional<QString>& file) const;
    void remember(uint id, Target target);

    QDBusConnection m_bus;
    QString m_soundsFolder;
    int m_timeoutMilliseconds;
    bool m_authorized = false;
    bool m_serverPlaysSounds = false;
    bool m_serverReadsMarkup = false;
    bool m_serverHasActions = false;
    SoundPlayer m_player;
    QSet<QString> m_rejectedSounds;
    QHash<uint, Target> m_targets;
    // Ids of m_targets, oldest first.
    std::deque<uint> m_targetOrder;
};

} // namespace corvane
