#include "ui/Sidebar.h"

#include "core/AppState.h"
#include "ui/CountBadge.h"
#include "ui/StatusDot.h"
#include "ui/components/Divider.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolView.h"
#include "ui/components/Symbols.h"

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

    connect(&m_state, &AppState::listenersChanged, this, &Sidebar::rebuild);
    connect(&m_state, &AppState::activityChanged, this, &Sidebar::rebuild);
    connect(&m_state, &AppState::sidebarSelectionChanged, this, &Sidebar::showSelection);
    connect(&m_state, &AppState::pausedChanged, this, &Sidebar::showPaused);
    connect(&m_state, &AppState::connectedChanged, this, &Sidebar::showConnected);
    rebuild();
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

void Sidebar::rebuild()
{
    m_updating = true;
    m_list->clear();

    auto* activity = new QWidget;
    auto* activityLayout = rowLayout(activity, Theme::scaled(5));
    auto* waveform = new SymbolView(QStringLiteral("waveform"), 13, Theme::Colour::accent);
    waveform->setBoxSize(QSize(Theme::scaled(18), Theme::scaled(18)));
    activityLayout->addWidget(waveform);
    activityLayout->addWidget(new StyledLabel(tr("Activity"), Theme::TextStyle::body));
    activityLayout->addStretch();
    QString activityText = tr("Activity");
    if (!m_state.activity().empty()) {
        const auto count = static_cast<qint64>(m_state.activity().size());
        activityLayout->addWidget(new CountBadge(count, CountBadge::neutral));
        activityText += QStringLiteral(", %1").arg(count);
    }
    addRow(activity, activityTag, activityText);

    auto* header = new StyledLabel(tr("Listeners"), Theme::TextStyle::caption, Theme::Colour::secondary);
    header->setTextStyle(Theme::TextStyle::caption, QFont::DemiBold);
    header->setContentsMargins(Theme::scaled(8), Theme::scaled(12), Theme::scaled(8), Theme::scaled(2));
    addRow(header, {}, tr("Listeners"));
    if (m_state.listeners().empty()) {
        auto* none = new StyledLabel(tr("None yet"), Theme::TextStyle::caption, Theme::Colour::tertiary);
        none->setContentsMargins(Theme::scaled(8), Theme::scaled(4), Theme::scaled(8), Theme::scaled(4));
        addRow(none, {}, tr("None yet"));
    }
    for (const auto& listener : m_state.listeners()) {
        auto* row = new QWidget;
        auto* layout = rowLayout(row, Theme::scaled(5) + 1);
        auto* mark = new StatusDot(6, 18, listener.isEnabled ? 0.18 : 0.15);
        mark->setTint(listener.isEnabled ? Theme::Colour::green : Theme::Colour::secondary);
        layout->addWidget(mark);
        const QString name = QString::fromStdString(listener.name);
        auto* title = new StyledLabel(name, Theme::TextStyle::body);
        title->setMaximumLines(1);
        title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        layout->addWidget(title, 1);
        QString text = name + (listener.isEnabled ? QString() : tr(", disabled"));
        if (listener.undeliveredCount && *listener.undeliveredCount >= 1) {
            layout->addSpacing(4);
            layout->addWidget(new CountBadge(*listener.undeliveredCount, CountBadge::accented));
            text += tr(", %1 undelivered").arg(*listener.undeliveredCount);
        }
        addRow(row, QStringLiteral("listener:") + QString::fromStdString(listener.id), text);
    }
    m_updating = false;
    showSelection();
}

void Sidebar::showSelection()
{
    const QString tag = tagOf(m_state.sidebarSelection());
    m_updating = true;
    m_list->clearSelection();
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        if (!tag.isEmpty() && item->data(tagRole).toString() == tag) {
            item->setSelected(true);
            m_list->setCurrentItem(item, QItemSelectionModel::NoUpdate);
            break;
        }
    }
    m_updating = false;
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
