#include "ui/activity/ActivityView.h"

#include "core/AppState.h"
#include "ui/activity/ActivityListModel.h"
#include "ui/activity/ActivityRowDelegate.h"
#include "ui/components/Divider.h"
#include "ui/components/RelativeTimeTicker.h"
#include "ui/components/ScreenHeader.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolView.h"
#include "ui/inspector/PayloadInspector.h"

#include <QHBoxLayout>
#include <QListView>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace corvane {
namespace {

constexpr int listMinimumHeight = 160;
constexpr int listPreferredHeight = 220;
constexpr int listMaximumHeight = 320;

QWidget* centredColumn(int spacing, int padding, const QList<QWidget*>& items)
{
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(Theme::scaled(spacing));
    layout->addStretch();
    for (QWidget* item : items) {
        layout->addWidget(item, 0, Qt::AlignHCenter);
    }
    layout->addStretch();
    return column;
}

// A payload's request never changes once captured; what a later cycle may change is its listener and
// its delivery. Comparing those spares comparing large bodies on every cycle.
bool showsSame(const Payload& shown, const Payload& latest)
{
    return shown.id == latest.id && shown.listenerId == latest.listenerId && shown.listenerName == latest.listenerName
        && shown.deliveredAt == latest.deliveredAt && shown.notificationConfig == latest.notificationConfig;
}

} // namespace

ActivityView::ActivityView(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state),
      m_model(new ActivityListModel(state.activity(), ActivityListModel::Naming::byListener, this)),
      m_list(new QListView), m_upper(new QStackedWidget), m_emptyState(makeEmptyState()),
      m_splitter(new QSplitter(Qt::Vertical)),
      m_count(new StyledLabel({}, Theme::TextStyle::callout, Theme::Colour::secondary))
{
    auto* count = new QWidget;
    auto* countLayout = new QHBoxLayout(count);
    countLayout->setContentsMargins(0, 0, 0, 0);
    countLayout->setSpacing(Theme::scaled(4));
    countLayout->addWidget(new SymbolView(
        QStringLiteral("tray.full"), Theme::pixelSize(Theme::TextStyle::callout), Theme::Colour::secondary));
    countLayout->addWidget(m_count);

    m_list->setModel(m_model);
    m_list->setItemDelegate(new ActivityRowDelegate(m_list));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAlternatingRowColors(true);
    m_list->setUniformItemSizes(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setAccessibleName(tr("Events"));
    connect(new RelativeTimeTicker(m_list, ActivityListModel::momentRole), &RelativeTimeTicker::ticked, m_model,
        &ActivityListModel::refreshAges);
    m_upper->addWidget(m_list);
    m_upper->addWidget(m_emptyState);
    m_upper->setMinimumHeight(Theme::scaled(listMinimumHeight));
    m_upper->setMaximumHeight(Theme::scaled(listMaximumHeight));

    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(m_upper);
    m_detail = makePlaceholder();
    m_splitter->addWidget(m_detail);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({Theme::scaled(listPreferredHeight), Theme::scaled(10'000)});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new ScreenHeader(tr("Activity"), tr("All inbound webhooks across every listener."), count));
    layout->addWidget(new Divider);
    layout->addWidget(m_splitter, 1);

    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (!m_selecting && current.isValid()) {
            m_selectedId = m_model->idAt(current.row());
            showDetail();
        }
    });
    connect(&m_state, &AppState::activityChanged, this, &ActivityView::follow);
    follow();
}

QWidget* ActivityView::makeEmptyState()
{
    auto* headline = new StyledLabel(tr("No events yet"), Theme::TextStyle::headline, Theme::Colour::secondary);
    auto* explanation = new StyledLabel(
        tr("Webhooks delivered to any listener will appear here."), Theme::TextStyle::callout, Theme::Colour::tertiary);
    explanation->setAlignment(Qt::AlignCenter);
    return centredColumn(12, Theme::scaled(40),
        {new SymbolView(QStringLiteral("tray"), 40, Theme::Colour::tertiary), headline, explanation});
}

QWidget* ActivityView::makePlaceholder()
{
    auto* text = new StyledLabel(
        tr("Select an event to inspect the raw payload"), Theme::TextStyle::callout, Theme::Colour::secondary);
    text->setAlignment(Qt::AlignCenter);
    return centredColumn(10, 0,
        {new SymbolView(QStringLiteral("rectangle.and.text.magnifyingglass"), 36, Theme::Colour::tertiary), text});
}

PayloadInspector* ActivityView::inspector() const
{
    return qobject_cast<PayloadInspector*>(m_detail);
}

void ActivityView::follow()
{
    m_selecting = true;
    m_model->refresh();
    m_selecting = false;
    const auto& activity = m_state.activity();
    m_count->setText(QString::number(activity.size()));
    m_upper->setCurrentWidget(activity.empty() ? m_emptyState : static_cast<QWidget*>(m_list));
    selectFirstIfNone();
    showSelection();
    showDetail();
}

void ActivityView::selectFirstIfNone()
{
    const auto& activity = m_state.activity();
    std::optional<QString> first;
    if (!activity.empty()) {
        first = QString::fromStdString(activity.front().id);
    }
    if (m_firstSelectionRan && first == m_firstId) {
        return;
    }
    m_firstSelectionRan = true;
    m_firstId = first;
    if (!m_selectedId) {
        m_selectedId = first;
    }
}

void ActivityView::showSelection()
{
    const int row = m_selectedId ? m_model->rowOf(*m_selectedId) : -1;
    const QModelIndex wanted = m_model->index(row, 0);
    if (m_list->currentIndex() == wanted && (row < 0 || m_list->selectionModel()->isSelected(wanted))) {
        return;
    }
    m_selecting = true;
    if (row < 0) {
        m_list->selectionModel()->clear();
    } else {
        m_list->selectionModel()->setCurrentIndex(wanted, QItemSelectionModel::ClearAndSelect);
    }
    m_selecting = false;
}

void ActivityView::showDetail()
{
    const auto& activity = m_state.activity();
    const auto found
        = m_selectedId ? std::ranges::find(activity, m_selectedId->toStdString(), &Payload::id) : activity.end();
    PayloadInspector* shown = inspector();
    if (found != activity.end() && shown != nullptr && showsSame(shown->payload(), *found)) {
        return;
    }
    if (found == activity.end() && shown == nullptr && m_detail != nullptr) {
        return;
    }
    QWidget* next = found != activity.end()
        ? new PayloadInspector(m_state, *found, PayloadInspector::Presentation::embedded)
        : makePlaceholder();
    const QList<int> sizes = m_splitter->sizes();
    m_splitter->replaceWidget(1, next);
    m_splitter->setSizes(sizes);
    m_detail->hide();
    m_detail->deleteLater();
    m_detail = next;
}

} // namespace corvane
