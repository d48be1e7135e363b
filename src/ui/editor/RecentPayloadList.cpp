#include "ui/editor/RecentPayloadList.h"

#include "ui/activity/ActivityListModel.h"
#include "ui/components/RelativeTimeTicker.h"
#include "ui/components/WheelHandoff.h"
#include "ui/editor/RecentPayloadDelegate.h"

#include <QKeyEvent>

namespace corvane {

RecentPayloadList::RecentPayloadList(const std::vector<Payload>& payloads, QWidget* parent)
    : QListView(parent), m_model(new ActivityListModel(payloads, ActivityListModel::Naming::byRequest, this))
{
    setModel(m_model);
    setItemDelegate(new RecentPayloadDelegate(this));
    setAccessibleName(tr("Recent payloads"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    viewport()->setAutoFillBackground(false);
    // As tall as its rows, it never scrolls: the page around it takes the wheel.
    WheelHandoff::install(this);
    connect(
        this, &QListView::clicked, this, [this](const QModelIndex& index) { emit opened(m_model->idAt(index.row())); });
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(m_model, signal, this, &QListView::updateGeometry);
    }
    connect(m_model, &QAbstractItemModel::modelReset, this, &QListView::updateGeometry);
    connect(new RelativeTimeTicker(this, ActivityListModel::momentRole), &RelativeTimeTicker::ticked, m_model,
        &ActivityListModel::refreshAges);
}

void RecentPayloadList::refresh()
{
    m_model->refresh();
}

QSize RecentPayloadList::sizeHint() const
{
    const int rows = m_model->rowCount();
    const int rowHeight = rows > 0 ? sizeHintForRow(0) : 0;
    return {QListView::sizeHint().width(), rows * rowHeight + 2 * frameWidth()};
}

void RecentPayloadList::keyPressEvent(QKeyEvent* event)
{
    const bool opens = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
    if (opens && currentIndex().isValid()) {
        emit opened(m_model->idAt(currentIndex().row()));
        return;
    }
    QListView::keyPressEvent(event);
}

} // namespace corvane
