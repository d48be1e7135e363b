#pragma once

#include <QDBusConnection>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QThread>
#include <QVariantMap>

namespace corvane::test {

// One Notify call as the server received it.
struct ReceivedNotification {
    QString appName;
    uint replacesId = 0;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    // What the server answered.
    uint id = 0;
};

// A notification server on the session bus, serving org.freedesktop.Notifications from its own bus
// connection and thread (so that clients on the test's thread cannot deadlock with it).
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    // `capabilities` is what GetCapabilities lists; each Notify is answered after `replyDelay`
    // milliseconds, and recorded only then.
    explicit FakeNotificationServer(QStringList capabilities = {"body", "sound"}, unsigned long replyDelay = 0);
    ~FakeNotificationServer() override;

    QList<ReceivedNotification> received() const;
    // Forgets the calls received so far.
    void clear();
    // Tells every client that the action `key` of notification `id` was invoked, as a click does.
    void invokeAction(uint id, const QString& key);

public slots:
    QStringList GetCapabilities();
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
        const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);
    void CloseNotification(uint id);

signals:
    void notified();

private:
    QStringList m_capabilities;
    unsigned long m_replyDelay;
    QThread m_thread;
    QDBusConnection m_bus;
    mutable QMutex m_mutex;
    QList<ReceivedNotification> m_received;
    uint m_lastId = 0;
};

} // namespace corvane::test
