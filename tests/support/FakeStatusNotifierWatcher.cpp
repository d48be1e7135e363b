#include "support/FakeStatusNotifierWatcher.h"

#include <QDBusMessage>
#include <QMutexLocker>

namespace corvane::test {
namespace {

const QString serviceName = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString objectPath = QStringLiteral("/StatusNotifierWatcher");

} // namespace

FakeStatusNotifierWatcher::FakeStatusNotifierWatcher()
    : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-status-notifier-watcher"))
{
    m_thread.start();
    moveToThread(&m_thread);
    m_bus.registerObject(objectPath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
    if (!m_bus.registerService(serviceName)) {
        qFatal("the fake tray host could not take its bus name");
    }
}

FakeStatusNotifierWatcher::~FakeStatusNotifierWatcher()
{
    m_bus.unregisterService(serviceName);
    m_bus.unregisterObject(objectPath);
    QDBusConnection::disconnectFromBus("fake-status-notifier-watcher");
    m_thread.quit();
    m_thread.wait();
}

QStringList FakeStatusNotifierWatcher::RegisteredStatusNotifierItems() const
{
    const QMutexLocker lock(&m_mutex);
    return m_items;
}

// An item names itself by its bus name or by an object path on the caller's connection.
void FakeStatusNotifierWatcher::RegisterStatusNotifierItem(const QString& service)
{
    {
        const QMutexLocker lock(&m_mutex);
        m_items << service;
    }
    auto signal = QDBusMessage::createSignal(objectPath, serviceName, QStringLiteral("StatusNotifierItemRegistered"));
    signal << service;
    m_bus.send(signal);
    emit itemRegistered();
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierHost(const QString& /*service*/)
{
}

} // namespace corvane::test
