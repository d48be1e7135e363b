#include "ui/shell/EmptyDetail.h"

#include "core/AppState.h"
#include "ui/components/ProminentButton.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolView.h"
#include "ui/components/Symbols.h"

#include <QVBoxLayout>

namespace corvane {

EmptyDetail::EmptyDetail(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state),
      m_headline(new StyledLabel({}, Theme::TextStyle::title3, Theme::Colour::secondary, this)),
      m_explanation(new StyledLabel(tr("A listener turns a public hook URL into a desktop notification.\n"
                                       "Create one, point a webhook at it, and you're done."),
          Theme::TextStyle::callout, Theme::Colour::tertiary, this))
{
    auto* symbol = new SymbolView(QStringLiteral("tray.and.arrow.down"), 56, Theme::Colour::tertiary, this);
    m_explanation->setAlignment(Qt::AlignCenter);
    m_headline->setAlignment(Qt::AlignCenter);

    auto* create = new ProminentButton(tr("Create first listener"), this);
    create->setIcon(Symbols::icon(QStringLiteral("plus"), Theme::Colour::white));
    create->setIconSize(QSize(Theme::symbolSize(13), Theme::symbolSize(13)));
    connect(create, &QPushButton::clicked, this,
        [this] { m_state.setSidebarSelection(SidebarSelection{SidebarSelection::Kind::newListener, {}}); });
    m_createButton = create;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(16);
    layout->addStretch();
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    layout->addWidget(m_headline, 0, Qt::AlignHCenter);
    layout->addWidget(m_explanation, 0, Qt::AlignHCenter);
    layout->addWidget(m_createButton, 0, Qt::AlignHCenter);
    layout->addStretch();

    connect(&m_state, &AppState::listenersChanged, this, &EmptyDetail::refresh);
    refresh();
}

void EmptyDetail::refresh()
{
    const bool none = m_state.listeners().empty();
    m_headline->setText(none ? tr("No listeners yet") : tr("Select a listener from the sidebar"));
    m_explanation->setVisible(none);
    m_createButton->setVisible(none);
}

} // namespace corvane
