#include "ui/shell/DetailPane.h"

#include "core/AppState.h"
#include "platform/XdgAutostartLoginItem.h"
#include "ui/activity/ActivityView.h"
#include "ui/editor/DetailView.h"
#include "ui/preferences/PreferencesView.h"
#include "ui/shell/EmptyDetail.h"
#include "ui/wizard/WizardView.h"

#include <QVBoxLayout>

namespace corvane {

DetailPane::DetailPane(AppState& state, QWidget* parent) : QWidget(parent), m_state(state)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(&m_state, &AppState::sidebarSelectionChanged, this, &DetailPane::route);
    m_screen = makeScreen(m_state, m_state.sidebarSelection());
    m_shown = m_state.sidebarSelection();
    layout->addWidget(m_screen);
}

QWidget* DetailPane::makeScreen(AppState& state, const std::optional<SidebarSelection>& selection)
{
    if (!selection) {
        return new EmptyDetail(state);
    }
    switch (selection->kind) {
    case SidebarSelection::Kind::activity:
        return new ActivityView(state);
    case SidebarSelection::Kind::listener:
        return new DetailView(state, selection->listenerId);
    case SidebarSelection::Kind::newListener:
        return new WizardView(state);
    case SidebarSelection::Kind::preferences:
        return new PreferencesView(state, state.secrets(), std::make_unique<XdgAutostartLoginItem>());
    }
    return new EmptyDetail(state);
}

void DetailPane::route()
{
    if (m_state.sidebarSelection() == m_shown) {
        return;
    }
    m_shown = m_state.sidebarSelection();
    QWidget* previous = m_screen;
    m_screen = makeScreen(m_state, m_shown);
    delete layout()->replaceWidget(previous, m_screen);
    // The old screen may be the sender of this change (a button on it): delete it once that is over.
    previous->hide();
    previous->deleteLater();
}

} // namespace corvane
