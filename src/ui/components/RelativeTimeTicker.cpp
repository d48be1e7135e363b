#include "ui/components/RelativeTimeTicker.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QScrollBar>

namespace corvane {

using namespace std::chrono_literals;

RelativeTimeTicker::RelativeTimeTicker(QWidget* shown) : QObject(shown), m_shown(shown)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        emit ticked();
        schedule();
    });
    shown->installEventFilter(this);
}

RelativeTimeTicker::RelativeTimeTicker(QAbstractItemView* list, int momentRole)
    : RelativeTimeTicker(static_cast<QWidget*>(list))
{
    m_list = list;
    m_momentRole = momentRole;
    const QAbstractItemModel* model = list->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &RelativeTimeTicker::followRows);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &RelativeTimeTicker::followRows);
    connect(model, &QAbstractItemModel::rowsMoved, this, &RelativeTimeTicker::followRows);
    connect(model, &QAbstractItemModel::modelReset, this, &RelativeTimeTicker::followRows);
    connect(model, &QAbstractItemModel::layoutChanged, this, &RelativeTimeTicker::followRows);
    connect(model, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
            if (roles.isEmpty() || roles.contains(m_momentRole)) {
                followRows();
            }
        });
    connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this, &RelativeTimeTicker::followRows);
    m_viewport = list->viewport();
    m_viewport->installEventFilter(this);
    followRows();
}

void RelativeTimeTicker::setNewest(const QDateTime& newest)
{
    m_newest = newest;
    schedule();
}

bool RelativeTimeTicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_shown && event->type() == QEvent::Show) {
        // Hidden, the texts did not follow the time.
        emit ticked();
        if (m_list != nullptr) {
            followRows();
        } else {
            schedule();
        }
    } else if (watched == m_shown && event->type() == QEvent::Hide) {
        m_timer.stop();
    } else if (watched == m_viewport && event->type() == QEvent::Resize) {
        followRows();
    }
    return QObject::eventFilter(watched, event);
}

void RelativeTimeTicker::schedule()
{
    if (!m_newest.isValid() || !m_shown->isVisible()) {
        m_timer.stop();
        return;
    }
    const std::chrono::milliseconds age(m_newest.msecsTo(QDateTime::currentDateTimeUtc()));
    const std::chrono::milliseconds period = age < 1min ? 1s : 1min;
    // The time to the next whole period of the age; a moment ahead of now counts in seconds.
    const auto into = (age % period + period) % period;
    m_timer.start(period - into);
}

void RelativeTimeTicker::followRows()
{
    const QAbstractItemModel* model = m_list->model();
    const QRect area = m_list->viewport()->rect();
    const QModelIndex top = m_list->indexAt(area.topLeft());
    QDateTime newest;
    for (int row = top.isValid() ? top.row() : 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        const QRect shown = m_list->visualRect(index);
        if (shown.top() > area.bottom()) {
            break;
        }
        const QDateTime moment = index.data(m_momentRole).toDateTime();
        if (shown.intersects(area) && moment.isValid() && (!newest.isValid() || moment > newest)) {
            newest = moment;
        }
    }
    setNewest(newest);
}

} // namespace corvane
