#include "core/CancellableSleep.h"

#include <QTimer>

#include <qcoro/qcorosignal.h>

namespace corvane {
namespace {

// A timer whose end can also be brought forward from any thread.
class Alarm : public QObject {
    Q_OBJECT

public:
    explicit Alarm(std::chrono::milliseconds duration)
    {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &Alarm::rang);
        m_timer.start(duration);
    }

    // Safe from any thread: the alarm rings on its own thread's next turn.
    void ringSoon()
    {
        QMetaObject::invokeMethod(this, [this] { m_timer.start(0); }, Qt::QueuedConnection);
    }

signals:
    void rang();

private:
    QTimer m_timer;
};

} // namespace

QCoro::Task<> cancellableSleep(std::chrono::milliseconds duration, std::stop_token stop)
{
    if (stop.stop_requested()) {
        co_return;
    }
    Alarm alarm(duration);
    const std::stop_callback wake(stop, [&alarm] { alarm.ringSoon(); });
    co_await qCoro(&alarm, &Alarm::rang);
}

} // namespace corvane

#include "CancellableSleep.moc"
