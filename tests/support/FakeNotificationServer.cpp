#include "support/FakeNotificationServer.h"

#include <QDBusMessage>
#include <QMutexLocker>

namespace corvane::test {

FakeNotificationServer::FakeNotificationServer(QStringList capabilities, unsigned long replyDelay)
    : m_capabilities(std::move(capabilities)), m_replyDelay(replyDelay),
      m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-notification-server"))
{
    m_thread.start();
    moveToThread(&m_thread);
    m_bus.registerObject("/org/freedesktop/Notifications", this, QDBusConnection::ExportAllSlots);
    if (!m_bus.registerService("org.freedesktop.Notifications")) {
        qFatal("the fake notification server could not take its bus name");
    }
}

FakeNotificationServer::~FakeNotificationServer()
{
    m_bus.unregisterService("org.freedesktop.Notifications");
    m_bus.unregisterObject("/org/freedesktop/Notifications");
    QDBusConnection::disconnectFromBus("fake-notification-server");
    m_thread.quit();
    m_thread.wait();
}

QList<ReceivedNotification> FakeNotificationServer::received() const
{
    const QMutexLocker lock(&m_mutex);
    return m_received;
}

void FakeNotificationServer::clear()
{
    const QMutexLocker lock(&m_mutex);
    m_received.clear();
}

void FakeNotificationServer::invokeAction(uint id, const QString& key)
{
    auto signal = QDBusMessage::createSignal(
        "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
    signal << id << key;
    m_bus.send(signal);
}

QStringList FakeNotificationServer::GetCapabilities()
{
    return m_capabilities;
}

QString FakeNotificationServer::GetServerInformation(QString& vendor, QString& version, QString& specVersion)
{
    vendor = "corvane tests";
    version = "1";
    specVersion = "1.2";
    return "fake-notification-server";
}

uint FakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString& /*appIcon*/,
    const QString& summary, const QString& body, const QStringList& actions, const QVariantMap& hints, int /*timeout*/)
{
    QThread::msleep(m_replyDelay);
    uint id = 0;
    {
        const QMutexLocker lock(&m_mutex);
        id = ++m_lastId;
        m_received.append({appName, replacesId, summary, body, actions, hints, id});
    }
    emit notified();
    return id;
}

void FakeNotificationServer::CloseNotification(uint /*id*/)
{
}

} // namespace corvane::test
