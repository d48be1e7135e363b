#include "ui/inspector/PayloadTreeView.h"

#include "ui/components/Theme.h"
#include "ui/components/ThemeNotifier.h"
#include "ui/components/WheelHandoff.h"
#include "ui/inspector/PayloadRow.h"
#include "ui/inspector/PayloadTreeModel.h"
#include "ui/inspector/ValueExport.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollBar>
#include <QToolTip>
#include <QtConcurrent/QtConcurrentRun>

#include <qcoro/qcorofuture.h>

namespace corvane {

namespace {

constexpr qreal verticalPadding = 4;
constexpr qreal horizontalInset = 4;
constexpr qreal cornerRadius = 8;
constexpr qreal backgroundOpacity = 0.04;
constexpr qreal scrollBarWidth = 10;
constexpr qreal scrollHandleWidth = 6;
constexpr qreal scrollHandleOpacity = 0.3;
constexpr qreal scrollHandleMinimum = 24;

} // namespace

PayloadTreeView::PayloadTreeView(QWidget* parent)
    : QListView(parent), m_model(new PayloadTreeModel(this)), m_delegate(new PayloadRow(this)),
      m_mapToTitle(new QAction(tr("Map to Title"), this)), m_mapToBody(new QAction(tr("Map to Body"), this)),
      m_copyValue(new QAction(tr("Copy Value"), this)), m_saveValue(new QAction(tr("Save Value…"), this))
{
    setAccessibleName(tr("Payload"));
    setModel(m_model);
    setItemDelegate(m_delegate);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    WheelHandoff::install(this);

    m_mapToTitle->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    m_mapToBody->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    for (QAction* action : {m_mapToTitle, m_mapToBody}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(m_mapToTitle, &QAction::triggered, this, [this] {
        if (const QString path = currentScalarPath(); !path.isEmpty()) {
            emit addToTitleRequested(path);
        }
    });
    connect(m_mapToBody, &QAction::triggered, this, [this] {
        if (const QString path = currentScalarPath(); !path.isEmpty()) {
            emit addToBodyRequested(path);
        }
    });
    connect(m_copyValue, &QAction::triggered, this, [this] {
        if (currentIndex().isValid()) {
            ValueExport::copy(QtConcurrent::run(
                [value = m_model->valueAt(currentIndex().row())] { return QString::fromStdString(value.text()); }));
        }
    });
    connect(m_saveValue, &QAction::triggered, this, &PayloadTreeView::saveCurrentValue);
    connect(m_delegate, &PayloadRow::addToTitleRequested, this, &PayloadTreeView::addToTitleRequested);
    connect(m_delegate, &PayloadRow::addToBodyRequested, this, &PayloadTreeView::addToBodyRequested);
    connect(m_model, &QAbstractItemModel::modelReset, this, &PayloadTreeView::updateActions);
    connect(ThemeNotifier::instance(), &ThemeNotifier::fontChanged, this, &PayloadTreeView::applyMetrics);
    applyMetrics();
    updateActions();
}

void PayloadTreeView::setPayload(const Payload& payload)
{
    m_model->setPayload(payload);
}

bool PayloadTreeView::event(QEvent* event)
{
    // The rounded background sits behind the viewport and its padding, so it stays put while the
    // rows scroll.
    if (event->type() == QEvent::Paint) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal radius = Theme::scaled(cornerRadius);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), radius, radius);
        painter.fillPath(
            shape, Theme::withOpacity(Theme::colour(Theme::Colour::primary, palette()), backgroundOpacity));
    }
    return QListView::event(event);
}

void PayloadTreeView::changeEvent(QEvent* event)
{
    QListView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        applyScrollBarStyle();
        update();
        viewport()->update();
    }
}

void PayloadTreeView::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Mouse) {
        const QModelIndex index = indexAt(viewport()->mapFrom(this, event->pos()));
        if (!index.isValid()) {
            return;
        }
        setCurrentIndex(index);
    }
    if (!currentIndex().isValid()) {
        return;
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(m_mapToTitle);
    menu->addAction(m_mapToBody);
    menu->addSeparator();
    menu->addAction(m_copyValue);
    menu->addAction(m_saveValue);
    const QPoint position = event->reason() == QContextMenuEvent::Mouse
        ? event->globalPos()
        : viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft());
    menu->popup(position);
}

void PayloadTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    updateActions();
}

void PayloadTreeView::updateActions()
{
    const bool enabled = !currentScalarPath().isEmpty();
    m_mapToTitle->setEnabled(enabled);
    m_mapToBody->setEnabled(enabled);
    m_copyValue->setEnabled(currentIndex().isValid());
    m_saveValue->setEnabled(currentIndex().isValid());
}

QCoro::Task<> PayloadTreeView::saveCurrentValue()
{
    if (!currentIndex().isValid()) {
        co_return;
    }
    // Taken now: the tree may change while the dialog is open.
    auto value = m_model->valueAt(currentIndex().row());
    QPointer self(this);
    const QString fileName = co_await ValueExport::chooseFile(this, tr("Save Value"));
    if (!self || fileName.isEmpty()) {
        co_return;
    }
    const QString failure = co_await QtConcurrent::run(
        [value = std::move(value), fileName] { return ValueExport::writeFile(fileName, value.text()); });
    if (self && !failure.isEmpty()) {
        QToolTip::showText(mapToGlobal(rect().center()), tr("The value could not be saved: %1").arg(failure), this);
    }
}

void PayloadTreeView::applyMetrics()
{
    const int vertical = Theme::scaled(verticalPadding);
    const int horizontal = Theme::scaled(horizontalInset);
    setViewportMargins(horizontal, vertical, horizontal, vertical);
    applyScrollBarStyle();
    scheduleDelayedItemsLayout();
}

void PayloadTreeView::applyScrollBarStyle()
{
    // A slim handle without arrows or groove, so the bar sits inside the rounded background.
    const QColor handle = Theme::withOpacity(Theme::colour(Theme::Colour::primary, palette()), scrollHandleOpacity);
    const int width = Theme::scaled(scrollBarWidth);
    const int handleWidth = Theme::scaled(scrollHandleWidth);
    const int inset = (width - handleWidth) / 2;
    verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: %1px; margin: %2px 0; }"
                       "QScrollBar::handle:vertical { background: %4; min-height: %5px; border-radius: %6px;"
                       " margin: 0 %3px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
            .arg(width)
            .arg(Theme::scaled(verticalPadding))
            .arg(inset)
            .arg(handle.name(QColor::HexArgb))
            .arg(Theme::scaled(scrollHandleMinimum))
            .arg(handleWidth / 2));
}

QString PayloadTreeView::currentScalarPath() const
{
    const QModelIndex index = currentIndex();
    if (!index.isValid() || index.data(PayloadTreeModel::containerRole).toBool()) {
        return {};
    }
    return index.data(PayloadTreeModel::pathRole).toString();
}

} // namespace corvane
