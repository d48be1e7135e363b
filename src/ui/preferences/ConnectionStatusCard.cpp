#include "ui/preferences/ConnectionStatusCard.h"

#include "core/AppState.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace corvane {
namespace {

constexpr qreal dotSize = 8;

} // namespace

ConnectionStatusCard::ConnectionStatusCard(AppState& state, QWidget* parent)
    : Card(tr("Status"), nullptr, parent), m_state(state),
      m_dot(new SymbolView(QStringLiteral("circle.fill"), dotSize, Theme::Colour::red)),
      m_connection(new StyledLabel({}, Theme::TextStyle::callout)),
      m_lastPoll(new StyledLabel({}, Theme::TextStyle::callout, Theme::Colour::tertiary)),
      m_error(new StyledLabel({}, Theme::TextStyle::caption, Theme::Colour::red))
{
    m_dot->setBoxSize({Theme::scaled(dotSize), Theme::scaled(dotSize)});
    m_connection->setTextStyle(Theme::TextStyle::callout, QFont::Medium);
    m_error->setWordWrap(true);
    m_error->setSelectable();

    auto* content = new QWidget;
    auto* row = new QHBoxLayout;
    row->setSpacing(Theme::scaled(8));
    row->addWidget(m_dot, 0, Qt::AlignVCenter);
    row->addWidget(m_connection);
    row->addWidget(m_lastPoll);
    row->addStretch();
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(8));
    layout->addLayout(row);
    layout->addWidget(m_error);
    setContent(content);

    connect(&m_state, &AppState::connectedChanged, this, &ConnectionStatusCard::follow);
    connect(&m_state, &AppState::lastPollAtChanged, this, &ConnectionStatusCard::follow);
    connect(&m_state, &AppState::lastErrorChanged, this, &ConnectionStatusCard::follow);
    follow();
}

void ConnectionStatusCard::follow()
{
    const bool connected = m_state.connected();
    m_dot->setTint(connected ? Theme::Colour::green : Theme::Colour::red);
    m_connection->setText(connected ? tr("Connected") : tr("Offline"));
    if (const auto& at = m_state.lastPollAt()) {
        m_lastPoll->setText(tr("· last poll %1s ago").arg(at->secsTo(QDateTime::currentDateTimeUtc())));
    }
    m_lastPoll->setVisible(m_state.lastPollAt().has_value());
    m_error->setText(m_state.lastError().value_or(QString()));
    m_error->setVisible(m_state.lastError().has_value());
    content()->setAccessibleName(
        m_lastPoll->isVisible() ? m_connection->text() + u' ' + m_lastPoll->text() : m_connection->text());
}

} // namespace corvane
