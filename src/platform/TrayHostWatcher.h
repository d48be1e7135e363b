#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>

#include <qcoro/qcorotask.h>

namespace corvane {

// Tells when the desktop's tray host is there: a host registered with the StatusNotifierWatcher of the
// StatusNotifierItem protocol (org.kde.StatusNotifierWatcher), which a desktop may start after the
// programs of a login, and whose host may come after the watcher. Qt asks for a tray once per process
// and keeps the answer, so nothing should ask Qt before this has found a host.
class TrayHostWatcher : public QObject {
    Q_OBJECT

public:
    explicit TrayHostWatcher(QDBusConnection bus, QObject* parent = nullptr);

    // Asks the watcher whether a host is registered now; `checked` follows with the answer (false when
    // there is no watcher or it does not answer in time).
    QCoro::Task<> check();

signals:
    void checked(bool present);
    // A host registered after the check, with a watcher that was there or came later.
    void appeared();

private:
    QCoro::Task<bool> hostRegistered();
    QCoro::Task<> watcherRegistered();

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
};

} // namespace corvane
