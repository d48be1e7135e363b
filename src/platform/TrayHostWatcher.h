#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>

#include <qcoro/qcorotask.h>

namespace corvane {

// Tells when the desktop's tray host is on the session bus: the StatusNotifierWatcher of the
// StatusNotifierItem protocol (org.kde.StatusNotifierWatcher), which a desktop may start after the
// programs of a login. Qt asks for a tray once per process and keeps the answer, so nothing should ask
// Qt before this has found the host.
class TrayHostWatcher : public QObject {
    Q_OBJECT

public:
    explicit TrayHostWatcher(QDBusConnection bus, QObject* parent = nullptr);

    // Asks the bus whether the host is there now; `checked` follows with the answer (false when the
    // bus does not answer in time).
    QCoro::Task<> check();

signals:
    void checked(bool present);
    // A host took its name on the bus, after the check or after an earlier one went.
    void appeared();

private:
    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
};

} // namespace corvane
