#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

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

    // `soundsFolder` holds the bundled <name>.aiff files that the sound hint points at.
    Notifier(QDBusConnection bus, QString soundsFolder, QObject* parent = nullptr);

    // Asks whether a notification server answers; never fails.
    QCoro::Task<> requestAuthorizationIfNeeded();

    // Posts one notification at once, never replacing an earlier one. An empty title becomes
    // "corvane"; the body is sent unchanged. A non-empty sound name asks for <name>.aiff, otherwise the
    // desktop's default message sound. Never fails: a server that refuses or is absent is ignored.
    QCoro::Task<> fire(QString title, QString body, std::optional<QString> sound);

    bool isAuthorized() const { return m_authorized; }

private:
    QDBusConnection m_bus;
    QString m_soundsFolder;
    bool m_authorized = false;
};

} // namespace corvane
