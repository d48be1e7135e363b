#include "ui/shell/ReadingKeyView.h"

#include "core/AppState.h"
#include "ui/components/StyledLabel.h"

#include <QProgressBar>
#include <QVBoxLayout>

namespace corvane {

ReadingKeyView::ReadingKeyView(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state),
      m_problem(new StyledLabel({}, Theme::TextStyle::caption, Theme::Colour::secondary, this))
{
    auto* busy = new QProgressBar(this);
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    busy->setFixedWidth(Theme::scaled(64));
    busy->setMaximumHeight(Theme::scaled(6));
    busy->setAccessibleName(tr("Reading your API key"));
    auto* note = new StyledLabel(
        tr("Reading your API key from the keychain…"), Theme::TextStyle::callout, Theme::Colour::tertiary, this);
    note->setAlignment(Qt::AlignCenter);
    m_problem->setAlignment(Qt::AlignCenter);
    m_problem->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(12);
    layout->addStretch();
    layout->addWidget(busy, 0, Qt::AlignHCenter);
    layout->addWidget(note, 0, Qt::AlignHCenter);
    layout->addWidget(m_problem);
    layout->addStretch();

    connect(&m_state, &AppState::lastErrorChanged, this, &ReadingKeyView::refresh);
    refresh();
}

void ReadingKeyView::refresh()
{
    const auto& error = m_state.lastError();
    m_problem->setVisible(error.has_value());
    m_problem->setText(error.value_or(QString()));
}

} // namespace corvane
