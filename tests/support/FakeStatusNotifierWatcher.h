#pragma once

#include <QDBusConnection>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>

namespace corvane::test {

// A tray host on the session bus: serves org.kde.StatusNotifierWatcher (with a host registered) from
// its own bus connection and thread, and records the tray items that register with it.
class FakeStatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)

public:
    FakeStatusNotifierWatcher();
    ~FakeStatusNotifierWatcher() override;

    QStringList RegisteredStatusNotifierItems() const;
    bool IsStatusNotifierHostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

signals:
    void itemRegistered();

private:
    QThread m_thread;
    QDBusConnection m_bus;
    mutable QMutex m_mutex;
    QStringList m_items;
};

} // namespace corvane::test
