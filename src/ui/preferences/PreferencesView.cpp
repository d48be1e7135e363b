#include "ui/preferences/PreferencesView.h"

#include "core/AppState.h"
#include "platform/LoginItem.h"
#include "service/AppSettings.h"
#include "ui/components/Divider.h"
#include "ui/components/FilledFieldStyle.h"
#include "ui/components/FooterBar.h"
#include "ui/components/ProminentButton.h"
#include "ui/components/ScreenHeader.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/TransientConfirmation.h"
#include "ui/preferences/AccountCard.h"
#include "ui/preferences/ConnectionStatusCard.h"
#include "ui/preferences/LoginItemRow.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace corvane {
namespace {

constexpr int minimumSeconds = 1;
constexpr int maximumSeconds = 60;
constexpr int defaultSeconds = 4;
constexpr qint64 millisecondsPerSecond = 1000;

QVBoxLayout* column(QWidget* owner, int spacing)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(spacing));
    return layout;
}

QString secondsSuffix(int seconds)
{
    return seconds == 1 ? PreferencesView::tr(" second") : PreferencesView::tr(" seconds");
}

} // namespace

PreferencesView::PreferencesView(
    AppState& state, SecretStore& secrets, std::unique_ptr<LoginItem> loginItem, QWidget* parent)
    : QWidget(parent), m_state(state), m_secrets(secrets), m_account(new AccountCard(state)),
      m_status(new ConnectionStatusCard(state))
{
    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    const int padding = Theme::scaled(24);
    stack->setContentsMargins(padding, padding, padding, padding);
    stack->setSpacing(Theme::scaled(16));
    stack->addWidget(m_account);
    stack->addWidget(makeServiceCard());
    stack->addWidget(makeBehaviourCard(std::move(loginItem)));
    stack->addWidget(m_status);
    stack->addStretch();

    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new ScreenHeader(tr("Preferences"), tr("Connection and polling settings.")));
    layout->addWidget(new Divider);
    layout->addWidget(scroll, 1);
    layout->addWidget(makeFooter());

    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, &PreferencesView::save);
    }
    connect(m_serviceURL, &QLineEdit::textChanged, this, &PreferencesView::showChanges);
    connect(m_token, &QLineEdit::textChanged, this, &PreferencesView::showChanges);
    connect(m_pollInterval, &QSpinBox::valueChanged, this, [this](int seconds) {
        m_pollInterval->setSuffix(secondsSuffix(seconds));
        showChanges();
    });
    showChanges();
    readToken();
}

PreferencesView::~PreferencesView() = default;

int PreferencesView::pollSeconds(qint64 storedMilliseconds)
{
    if (storedMilliseconds < 1) {
        return defaultSeconds;
    }
    return static_cast<int>(
        std::clamp<qint64>(storedMilliseconds / millisecondsPerSecond, minimumSeconds, maximumSeconds));
}

QWidget* PreferencesView::makeServiceCard()
{
    m_serviceURL = new QLineEdit(AppSettings::serviceURL());
    m_serviceURL->setPlaceholderText(QStringLiteral("http://localhost:3100"));
    m_serviceURL->setAccessibleName(tr("Service URL"));
    FilledFieldStyle::apply(m_serviceURL);

    m_token = new QLineEdit;
    m_token->setEchoMode(QLineEdit::Password);
    m_token->setAccessibleName(tr("API token"));
    m_token->setEnabled(false);
    FilledFieldStyle::apply(m_token);
    m_reveal = new QPushButton;
    connect(m_reveal, &QPushButton::clicked, this, [this] { setRevealed(m_token->echoMode() == QLineEdit::Password); });
    setRevealed(false);
    auto* tokenRow = new QHBoxLayout;
    tokenRow->setSpacing(Theme::scaled(8));
    tokenRow->addWidget(m_token, 1);
    tokenRow->addWidget(m_reveal);

    auto* note
        = new StyledLabel(tr("The key from signing in, or the relay's API_TOKEN. Stored in your desktop's keyring."),
            Theme::TextStyle::caption2, Theme::Colour::tertiary);
    note->setWordWrap(true);
    m_token->setAccessibleDescription(note->text());

    auto* url = new QWidget;
    auto* urlColumn = column(url, 4);
    urlColumn->addWidget(StyledLabel::fieldTitle(tr("Service URL"), m_serviceURL));
    urlColumn->addWidget(m_serviceURL);
    auto* token = new QWidget;
    auto* tokenColumn = column(token, 4);
    tokenColumn->addWidget(StyledLabel::fieldTitle(tr("API token"), m_token));
    tokenColumn->addLayout(tokenRow);
    tokenColumn->addWidget(note);

    auto* content = new QWidget;
    auto* layout = column(content, 12);
    layout->addWidget(url);
    layout->addWidget(token);
    return new Card(tr("Service"), content);
}

QWidget* PreferencesView::makeBehaviourCard(std::unique_ptr<LoginItem> loginItem)
{
    m_pollInterval = new QSpinBox;
    m_pollInterval->setRange(minimumSeconds, maximumSeconds);
    m_pollInterval->setValue(pollSeconds(AppSettings::pollIntervalMs()));
    m_pollInterval->setSuffix(secondsSuffix(m_pollInterval->value()));
    m_pollInterval->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pollInterval->setFont(Theme::font(Theme::TextStyle::callout));
    m_pollInterval->setMinimumWidth(Theme::scaled(96));
    m_pollInterval->setAccessibleName(tr("Poll interval"));

    auto* interval = new QHBoxLayout;
    interval->addWidget(StyledLabel::fieldTitle(tr("Poll interval"), m_pollInterval));
    interval->addStretch();
    interval->addWidget(m_pollInterval);

    m_loginItem = new LoginItemRow(std::move(loginItem));

    auto* content = new QWidget;
    auto* layout = column(content, 14);
    layout->addLayout(interval);
    layout->addWidget(new Divider);
    layout->addWidget(m_loginItem);
    return new Card(tr("Behaviour"), content);
}

QWidget* PreferencesView::makeFooter()
{
    m_revert = new QPushButton(tr("Revert"));
    m_save = new ProminentButton(tr("Save"), ProminentButton::Size::compact);
    m_save->setToolTip(QKeySequence(Qt::Key_Return).toString(QKeySequence::NativeText));
    connect(m_revert, &QPushButton::clicked, this, &PreferencesView::revert);
    connect(m_save, &QPushButton::clicked, this, &PreferencesView::save);
    m_saved = new TransientConfirmation(tr("Saved"));
    m_saved->setObjectName(QStringLiteral("savedConfirmation"));
    return new FooterBar({}, {m_saved, m_revert, m_save});
}

bool PreferencesView::hasChanges() const
{
    if (!m_storedToken) {
        return false;
    }
    const qint64 stored = AppSettings::pollIntervalMs();
    const qint64 storedInterval = stored < 1 ? defaultSeconds * millisecondsPerSecond : stored;
    return m_serviceURL->text() != AppSettings::serviceURL() || m_token->text() != *m_storedToken
        || m_pollInterval->value() * millisecondsPerSecond != storedInterval;
}

void PreferencesView::save()
{
    if (m_saving || !hasChanges()) {
        return;
    }
    m_saving = true;
    showChanges();
    [](QPointer<PreferencesView> self, QPointer<AppState> state, SecretStore* secrets, QString url, QString token,
        qint64 interval) -> QCoro::Task<> {
        AppSettings::setServiceURL(url);
        // A failed write is logged by keychainWrite; the next cycle's refusal shows in the status.
        const bool written = co_await AppSettings::keychainWrite(*secrets, token);
        AppSettings::setPollIntervalMs(interval);
        if (state) {
            state->startPolling();
        }
        if (self) {
            self->m_storedToken = token;
            self->m_saving = false;
            self->showChanges();
            if (written) {
                self->m_saved->confirm();
            }
        }
    }(this, &m_state, &m_secrets, m_serviceURL->text(), m_token->text(),
                             m_pollInterval->value() * millisecondsPerSecond);
}

void PreferencesView::revert()
{
    m_serviceURL->setText(AppSettings::serviceURL());
    if (m_storedToken) {
        m_token->setText(*m_storedToken);
    }
    m_pollInterval->setValue(pollSeconds(AppSettings::pollIntervalMs()));
}

void PreferencesView::readToken()
{
    [](QPointer<PreferencesView> self, SecretStore* secrets) -> QCoro::Task<> {
        const std::optional<QString> token = co_await AppSettings::keychainRead(*secrets);
        if (self) {
            self->m_storedToken = token.value_or(QString());
            self->m_token->setText(*self->m_storedToken);
            self->m_token->setEnabled(true);
            self->showChanges();
        }
    }(this, &m_secrets);
}

void PreferencesView::setRevealed(bool revealed)
{
    m_token->setEchoMode(revealed ? QLineEdit::Normal : QLineEdit::Password);
    m_reveal->setText(revealed ? tr("Hide") : tr("Reveal"));
    m_reveal->setAccessibleName(revealed ? tr("Hide API token") : tr("Reveal API token"));
}

void PreferencesView::showChanges()
{
    m_save->setEnabled(!m_saving && hasChanges());
}

} // namespace corvane
