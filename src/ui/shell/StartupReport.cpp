#include "ui/shell/StartupReport.h"

#include <QEvent>
#include <QLoggingCategory>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace corvane::StartupReport {
namespace {

// Information messages are off by default.
Q_LOGGING_CATEGORY(lcStartup, "corvane.startup", QtWarningMsg)

// Lives as a child of the watched native window until it has reported.
class FirstFrameWatch final : public QObject {
public:
    FirstFrameWatch(QWindow& window, const QElapsedTimer& clock, QString what)
        : QObject(&window), m_window(window), m_clock(clock), m_what(std::move(what))
    {
        m_window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_window && event->type() == QEvent::Expose && m_window.isExposed()) {
            m_window.removeEventFilter(this);
            // The widget paints and flushes its first frame while handling this event; the report
            // is posted behind it.
            QTimer::singleShot(0, this, [this] {
                const double milliseconds = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
                qCInfo(lcStartup).noquote()
                    << m_what << "shown" << QString::number(milliseconds, 'f', 1) << "ms after start";
                deleteLater();
            });
        }
        return false;
    }

private:
    QWindow& m_window;
    QElapsedTimer m_clock;
    QString m_what;
};

} // namespace

void watchFirstFrame(QWidget& window, const QElapsedTimer& clock, const QString& what)
{
    if (!lcStartup().isInfoEnabled()) {
        return;
    }
    QWindow* native = window.windowHandle();
    if (native == nullptr) {
        qCWarning(lcStartup).noquote() << what << "has no native window yet: its first frame is not reported";
        return;
    }
    new FirstFrameWatch(*native, clock, what);
}

} // namespace corvane::StartupReport
