#include "ui/shell/SignInView.h"

#include "core/AppState.h"
#include "ui/components/ProminentButton.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolTile.h"
#include "ui/components/Symbols.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

SignInView::SignInView(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_button(new ProminentButton({}, this)), m_progress(new QProgressBar(m_button)),
      m_error(new StyledLabel({}, Theme::TextStyle::caption, Theme::Colour::red, this))
{
    auto* badge = new SymbolTile(QStringLiteral("bell.badge.fill"), this);
    badge->setMetrics(Theme::scaled(72), Theme::scaled(18), 32);

    auto* title = new StyledLabel(tr("Welcome to corvane"), Theme::TextStyle::body, Theme::Colour::primary, this);
    title->setSystemFont(22, QFont::DemiBold);
    title->setAlignment(Qt::AlignCenter);
    auto* explanation = new StyledLabel(tr("Sign in to connect this computer to your account and start\n"
                                           "turning inbound webhooks into native notifications."),
        Theme::TextStyle::callout, Theme::Colour::secondary, this);
    explanation->setAlignment(Qt::AlignCenter);
    auto* text = new QVBoxLayout;
    text->setSpacing(6);
    text->addWidget(title, 0, Qt::AlignHCenter);
    text->addWidget(explanation, 0, Qt::AlignHCenter);

    m_button->setMinimumSize(Theme::scaled(120), Theme::scaled(32));
    m_button->setIconSize(QSize(Theme::symbolSize(13), Theme::symbolSize(13)));
    m_button->setAccessibleName(tr("Sign in"));
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_progress->setFixedWidth(Theme::scaled(64));
    m_progress->setMaximumHeight(Theme::scaled(6));
    m_progress->setAccessibleName(tr("Signing in"));
    auto* buttonLayout = new QHBoxLayout(m_button);
    buttonLayout->addWidget(m_progress, 0, Qt::AlignCenter);
    connect(m_button, &QPushButton::clicked, this, [this] { m_state.signIn(); });

    m_error->setAlignment(Qt::AlignCenter);
    m_error->setWordWrap(true);
    m_error->setSelectable();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(20);
    layout->addStretch();
    layout->addWidget(badge, 0, Qt::AlignHCenter);
    layout->addLayout(text);
    layout->addWidget(m_button, 0, Qt::AlignHCenter);
    layout->addWidget(m_error);
    layout->addStretch();

    connect(&m_state, &AppState::signingInChanged, this, &SignInView::refresh);
    connect(&m_state, &AppState::lastErrorChanged, this, &SignInView::refresh);
    refresh();
}

void SignInView::refresh()
{
    const bool busy = m_state.signingIn();
    m_button->setEnabled(!busy);
    m_button->setText(busy ? QString() : tr("Sign in"));
    m_button->setIcon(busy ? QIcon() : Symbols::icon(QStringLiteral("person.crop.circle"), Theme::Colour::white));
    m_progress->setVisible(busy);
    const auto& error = m_state.lastError();
    m_error->setVisible(error.has_value());
    m_error->setText(error.value_or(QString()));
}

} // namespace corvane
