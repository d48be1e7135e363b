#pragma once

#include "platform/SoundPlayer.h"

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

namespace corvane {

// The application's one path to desktop notifications: org.freedesktop.Notifications on the session
// bus (Desktop Notifications Specification 1.2), with asynchronous calls only. "Authorized" means a
// notification server answers.
class Notifier : public QObject {
    Q_OBJECT

public:
    // The process-wide instance on the session bus, created on first use.
    static Notifier& shared();

    // `soundsFolder` holds the bundled <name>.aiff files that the sound hint points at. A server that
    // has not answered a call within `timeout` is taken as absent for that call.
    Notifier(QDBusConnection bus, QString soundsFolder, std::chrono::milliseconds timeout = std::chrono::seconds(5),
        QObject* parent = nullptr);

    // Asks whether a notification server answers, and whether it plays sounds; never fails.
    QCoro::Task<> requestAuthorizationIfNeeded();

    // Posts one notification at once, never replacing an earlier one. Title and body are shown as
    // NotificationText::shown makes them (cut to 120 and 300 UTF-16 code units, line breaks kept); an
    // empty title becomes "corvane", and a server that interprets markup gets the body escaped. A sound name asks for
    // <name>.aiff in the sounds folder when it is one of the bundled sounds (Bottle, Funk, Glass, Hero, Ping, Pop,
    // Sosumi, Submarine) or names a file there without leaving it (no "/", no ".."); any other name, or none, asks for
    // the desktop's default message sound, and a rejected name is logged the first time it is seen. When the server
    // does not play sounds, the sound is played here. Never fails: a server that refuses, is slow or is absent is
    // ignored.
    QCoro::Task<> fire(QString title, QString body, std::optional<QString> sound);

    bool isAuthorized() const { return m_authorized; }

private:
    // The file `sound` names, or none for the default sound.
    std::optional<QString> soundFile(const std::optional<QString>& sound);
    void playSoundIfServerWillNot(const std::optional<QString>& file) const;

    QDBusConnection m_bus;
    QString m_soundsFolder;
    int m_timeoutMilliseconds;
    bool m_authorized = false;
    bool m_serverPlaysSounds = false;
    bool m_serverReadsMarkup = false;
    SoundPlayer m_player;
    QSet<QString> m_rejectedSounds;
};

} // namespace corvane
