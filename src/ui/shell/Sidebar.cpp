#include "ui/shell/Sidebar.h"

#include "core/AppState.h"
#include "ui/components/Divider.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolView.h"
#include "ui/components/Symbols.h"
#include "ui/shell/CountBadge.h"
#include "ui/shell/SidebarListenerRow.h"
#include "ui/shell/StatusDot.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace corvane {
namespace {

const QString activityTag = QStringLiteral("activity");

QString tagOf(const std::optional<SidebarSelection>& selection)
{
    if (!selection) {
        return {};
    }
    switch (selection->kind) {
    case SidebarSelection::Kind::activity:
        return activityTag;
    case SidebarSelection::Kind::listener:
        return QStringLiteral("listener:") + selection->listenerId;
    case SidebarSelection::Kind::newListener:
    case SidebarSelection::Kind::preferences:
        return {};
    }
    return {};
}

QHBoxLayout* rowLayout(QWidget* row, int vertical)
{
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(Theme::scaled(8), vertical, Theme::scaled(8), vertical);
    layout->setSpacing(10);
    return layout;
}

QToolButton* iconButton(const QString& symbol, const QString& tooltip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(Symbols::icon(symbol, Theme::Colour::secondary));
    button->setIconSize(QSize(Theme::scaled(16), Theme::scaled(16)));
    button->setToolTip(tooltip);
    button->setAccessibleName(tooltip);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

} // namespace

Sidebar::Sidebar(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_list(new QListWidget(this)),
      m_pause(iconButton(QStringLiteral("pause.fill"), {}, this)), m_connectionDot(new StatusDot(7, 0, 0, 0, this)),
      m_connectionText(new StyledLabel({}, Theme::TextStyle::caption, Theme::Colour::secondary, this)),
      m_preferences(iconButton(QStringLiteral("gearshape"), tr("Preferences"), this))
{
    auto* newListener = new QPushButton(Symbols::icon(QStringLiteral("plus")), tr("New listener"), this);
    newListener->setFlat(true);
    newListener->setToolTip(
        tr("New listener (%1)").arg(QKeySequence(QKeySequence::New).toString(QKeySequence::NativeText)));
    connect(newListener, &QPushButton::clicked, this,
        [this] { m_state.setSidebarSelection(SidebarSelection{SidebarSelection::Kind::newListener, {}}); });
    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(Theme::scaled(8), Theme::scaled(8), Theme::scaled(8), Theme::scaled(4));
    toolbar->addStretch();
    toolbar->addWidget(newListener);

    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setAccessibleName(tr("Listeners and activity"));
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setAutoFillBackground(false);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &Sidebar::selectionChangedByUser);

    auto* divider = new Divider(0, this);
    auto* footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("sidebarFooter"));
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(Theme::scaled(14), Theme::scaled(10), Theme::scaled(14), Theme::scaled(10));
    footerLayout->setSpacing(12);
    footerLayout->addWidget(m_pause);
    footerLayout->addWidget(m_connectionDot);
    footerLayout->addWidget(m_connectionText);
    footerLayout->addStretch();
    footerLayout->addWidget(m_preferences);
    connect(m_pause, &QToolButton::clicked, this, [this] { m_state.setPaused(!m_state.paused()); });
    connect(m_preferences, &QToolButton::clicked, this,
        [this] { m_state.setSidebarSelection(SidebarSelection{SidebarSelection::Kind::preferences, {}}); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(toolbar);
    layout->addWidget(m_list, 1);
    layout->addWidget(divider);
    layout->addWidget(footer);

    addActivityRow();
    auto* header = new StyledLabel(tr("Listeners"), Theme::TextStyle::caption, Theme::Colour::secondary);
    header->setTextStyle(Theme::TextStyle::caption, QFont::DemiBold);
    header->setContentsMargins(Theme::scaled(8), Theme::scaled(12), Theme::scaled(8), Theme::scaled(2));
    m_header = addRow(header, {}, tr("Listeners"));
    connect(&m_state, &AppState::listenersChanged, this, &Sidebar::showListeners);
    connect(&m_state, &AppState::activityChanged, this, &Sidebar::showActivityCount);
    connect(&m_state, &AppState::sidebarSelectionChanged, this, &Sidebar::showSelection);
    connect(&m_state, &AppState::pausedChanged, this, &Sidebar::showPaused);
    connect(&m_state, &AppState::connectedChanged, this, &Sidebar::showConnected);
    showActivityCount();
    showListeners();
    showPaused();
    showConnected();
}

QListWidgetItem* Sidebar::addRow(QWidget* row, const QString& tag, const QString& accessibleText)
{
    auto* item = new QListWidgetItem(m_list);
    item->setData(tagRole, tag);
    item->setData(Qt::AccessibleTextRole, accessibleText);
    item->setSizeHint(row->sizeHint());
    if (tag.isEmpty()) {
        item->setFlags(Qt::NoItemFlags);
    }
    m_list->setItemWidget(item, row);
    return item;
}

void Sidebar::addActivityRow()
{
    auto* activity = new QWidget;
    auto* layout = rowLayout(activity, Theme::scaled(5));
    m_activitySymbol = new SymbolView(QStringLiteral("waveform"), 13, Theme::Colour::accent);
    m_activitySymbol->setBoxSize(QSize(Theme::scaled(18), Theme::scaled(18)));
    m_activityBadge = new CountBadge(0, CountBadge::neutral);
    layout->addWidget(m_activitySymbol);
    layout->addWidget(new StyledLabel(tr("Activity"), Theme::TextStyle::body));
    layout->addStretch();
    layout->addWidget(m_activityBadge);
    addRow(activity, activityTag, tr("Activity"));
}

void Sidebar::showActivityCount()
{
    const auto count = static_cast<qint64>(m_state.activity().size());
    m_activityBadge->setCount(count);
    m_activityBadge->setVisible(count > 0);
    m_list->item(0)->setData(Qt::AccessibleTextRole, count > 0 ? tr("Activity, %1").arg(count) : tr("Activity"));
}

void Sidebar::setNoneYetShown(bool shown)
{
    if (shown == (m_noneYet != nullptr)) {
        return;
    }
    if (!shown) {
        delete m_noneYet;
        m_noneYet = nullptr;
        return;
    }
    auto* none = new StyledLabel(tr("None yet"), Theme::TextStyle::caption, Theme::Colour::tertiary);
    none->setContentsMargins(Theme::scaled(8), Theme::scaled(4), Theme::scaled(8), Theme::scaled(4));
    m_noneYet = addRow(none, {}, tr("None yet"));
}

void Sidebar::showListeners()
{
    const auto& listeners = m_state.listeners();
    const QListWidgetItem* current = m_list->currentItem();
    const QString currentTag = current ? current->data(tagRole).toString() : QString();
    m_updating = true;
    if (!listeners.empty()) {
        setNoneYetShown(false);
    }
    const int first = m_list->row(m_header) + 1 + (m_noneYet ? 1 : 0);
    const int wanted = first + static_cast<int>(listeners.size());
    while (m_list->count() > wanted) {
        delete m_list->takeItem(m_list->count() - 1);
    }
    // Appended only once the last listener row is gone, so it sits right under the header.
    setNoneYetShown(listeners.empty());
    for (int index = 0; index < static_cast<int>(listeners.size()); ++index) {
        const Listener& listener = listeners[static_cast<std::size_t>(index)];
        QListWidgetItem* item = m_list->item(first + index);
        SidebarListenerRow* row = nullptr;
        if (item) {
            row = static_cast<SidebarListenerRow*>(m_list->itemWidget(item));
        } else {
            row = new SidebarListenerRow;
            item = addRow(row, QStringLiteral("listener"), {});
        }
        item->setData(tagRole, QStringLiteral("listener:") + QString::fromStdString(listener.id));
        item->setData(Qt::AccessibleTextRole, row->showListener(listener));
        if (item->sizeHint() != row->sizeHint()) {
            item->setSizeHint(row->sizeHint());
        }
    }
    for (int row = 0; row < m_list->count() && !currentTag.isEmpty(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        if (item->data(tagRole).toString() == currentTag && item != m_list->currentItem()) {
            m_list->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        }
    }
    m_updating = false;
    showSelection();
}

void Sidebar::showSelection()
{
    const QString tag = tagOf(m_state.sidebarSelection());
    const auto selected = m_list->selectedItems();
    const bool unchanged = tag.isEmpty() ? selected.isEmpty()
                                         : selected.size() == 1 && selected.front()->data(tagRole).toString() == tag;
    if (!unchanged) {
        m_updating = true;
        m_list->clearSelection();
        // A screen without a row of its own (the wizard, the preferences) leaves no row looking chosen.
        m_list->setCurrentItem(nullptr, QItemSelectionModel::NoUpdate);
        for (int row = 0; row < m_list->count() && !tag.isEmpty(); ++row) {
            QListWidgetItem* item = m_list->item(row);
            if (item->data(tagRole).toString() == tag) {
                item->setSelected(true);
                m_list->setCurrentItem(item, QItemSelectionModel::NoUpdate);
                break;
            }
        }
        m_updating = false;
    }
    tintActivityRow();
}

void Sidebar::tintActivityRow()
{
    const bool highlighted = m_list->item(0)->isSelected();
    const QPalette& list = m_list->palette();
    m_activitySymbol->setTint(
        highlighted ? Theme::Tint(list.color(QPalette::HighlightedText)) : Theme::Tint(Theme::Colour::accent));
    // The badge's semantic colours are taken over the highlight, with its text colour as the text.
    QPalette badge = list;
    if (highlighted) {
        badge.setColor(QPalette::Text, list.color(QPalette::HighlightedText));
        badge.setColor(QPalette::Base, list.color(QPalette::Highlight));
    }
    m_activityBadge->setPalette(badge);
}

void Sidebar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) {
        tintActivityRow();
    }
    QWidget::changeEvent(event);
}

void Sidebar::selectionChangedByUser()
{
    if (m_updating) {
        return;
    }
    const auto selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        m_state.setSidebarSelection(std::nullopt);
        return;
    }
    const QString tag = selected.front()->data(tagRole).toString();
    if (tag == activityTag) {
        m_state.setSidebarSelection(SidebarSelection{SidebarSelection::Kind::activity, {}});
    } else {
        m_state.setSidebarSelection(SidebarSelection::forListener(tag.mid(QStringLiteral("listener:").size())));
    }
}

void Sidebar::showPaused()
{
    const bool paused = m_state.paused();
    m_pause->setIcon(
        Symbols::icon(paused ? QStringLiteral("play.fill") : QStringLiteral("pause.fill"), Theme::Colour::secondary));
    const QString tip = paused ? tr("Resume notifications") : tr("Pause notifications");
    m_pause->setToolTip(tip);
    m_pause->setAccessibleName(tip);
    m_pause->setProperty("symbol", paused ? QStringLiteral("play.fill") : QStringLiteral("pause.fill"));
}

void Sidebar::showConnected()
{
    const bool connected = m_state.connected();
    m_connectionDot->setTint(connected ? Theme::Colour::green : Theme::Colour::red);
    m_connectionText->setText(connected ? tr("Connected") : tr("Offline"));
}

} // namespace corvane
