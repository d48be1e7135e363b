#include "ui/inspector/PayloadInspector.h"

#include "core/AppState.h"
#include "evaluation/Template.h"
#include "service/ServiceClient.h"
#include "ui/components/Card.h"
#include "ui/components/ProminentButton.h"
#include "ui/components/StatusPill.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolView.h"
#include "ui/components/Symbols.h"
#include "ui/inspector/PayloadBody.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QThreadPool>
#include <QVBoxLayout>

namespace corvane {
namespace {

constexpr int keyColumnWidth = 160;
constexpr int fadeMilliseconds = 180;

StyledLabel* monospacedCaption(const QString& text, Theme::Colour colour, QWidget* parent)
{
    auto* label = new StyledLabel(text, Theme::TextStyle::caption, colour, parent);
    label->setMonospaced(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* symbolButton(const QString& text, const QString& symbol, const Theme::Tint& tint, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setIcon(Symbols::icon(symbol, tint));
    button->setIconSize(QSize(Theme::symbolSize(12), Theme::symbolSize(12)));
    button->setAutoDefault(false);
    return button;
}

} // namespace

PayloadInspector::PayloadInspector(AppState& state, Payload payload, Presentation presentation, QWidget* parent)
    : QWidget(parent), m_state(state), m_payload(std::make_shared<const Payload>(std::move(payload))),
      m_presentation(presentation)
{
    m_feedbackTimer.setSingleShot(true);
    m_feedbackTimer.setInterval(feedbackMilliseconds);
    connect(&m_feedbackTimer, &QTimer::timeout, this, &PayloadInspector::clearFeedback);

    auto* column = new QWidget;
    auto* columnLayout = new QVBoxLayout(column);
    const int padding = Theme::scaled(24);
    columnLayout->setContentsMargins(padding, padding, padding, padding);
    columnLayout->setSpacing(Theme::scaled(16));
    columnLayout->addWidget(makeEventCard());
    columnLayout->addWidget(makeValuesCard(tr("Headers"), m_payload->headers));
    if (const auto& query = m_payload->query; query && !query->empty()) {
        columnLayout->addWidget(makeValuesCard(tr("Query"), query));
    }
    columnLayout->addWidget(makeBodyCard());
    columnLayout->addStretch();

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(column);
    scroll->viewport()->setAutoFillBackground(false);
    column->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    if (m_presentation == Presentation::sheet) {
        setMinimumSize(Theme::scaled(560), Theme::scaled(520));
    }
    setAccessibleName(tr("Payload inspector"));
}

PayloadInspector::~PayloadInspector()
{
    m_requestStop.request_stop();
    QThreadPool::globalInstance()->start([payload = std::move(m_payload)]() mutable { payload.reset(); });
}

QWidget* PayloadInspector::makeEventCard()
{
    auto* content = new QWidget;

    auto* identity = new QVBoxLayout;
    identity->setSpacing(Theme::scaled(2));
    const auto& listenerName = m_payload->listenerName;
    const QString name = listenerName ? QString::fromStdString(*listenerName) : tr("(unknown)");
    auto* nameLabel = new StyledLabel(name, Theme::TextStyle::headline, Theme::Colour::primary, content);
    nameLabel->setTextFormat(Qt::PlainText);
    identity->addWidget(nameLabel);
    identity->addWidget(
        monospacedCaption(QString::fromStdString(m_payload->receivedAt), Theme::Colour::secondary, content));

    auto* summary = new QHBoxLayout;
    summary->addLayout(identity);
    summary->addStretch();
    summary->addWidget(new StatusPill(QString::fromStdString(m_payload->method), Theme::Colour::blue, content));
    summary->addWidget(m_payload->deliveredAt ? new StatusPill(tr("delivered"), Theme::Colour::green, content)
                                              : new StatusPill(tr("pending"), Theme::Colour::orange, content));
    if (const auto& verification = m_payload->verification) {
        const bool verified = verification->verified();
        m_verificationPill = new StatusPill(verified ? tr("verified") : tr("unverified"),
            verified ? Theme::Colour::green : Theme::Colour::red, content);
        const QString reason = verified ? tr("The signature matches the listener's secret.")
                                        : QString::fromStdString(verification->reason.value_or(""));
        m_verificationPill->setToolTip(reason);
        m_verificationPill->setAccessibleName(m_verificationPill->label());
        m_verificationPill->setAccessibleDescription(reason);
        summary->addWidget(m_verificationPill);
    }

    m_refireButton = new ProminentButton(tr("Refire notification"), ProminentButton::Size::compact, content);
    m_refireButton->setIcon(Symbols::icon(QStringLiteral("bell.and.waveform.fill"), Theme::Colour::white));
    m_refireButton->setIconSize(QSize(Theme::symbolSize(12), Theme::symbolSize(12)));
    connect(m_refireButton, &QPushButton::clicked, this, &PayloadInspector::refire);

    m_feedback = new QWidget(content);
    auto* feedbackLayout = new QHBoxLayout(m_feedback);
    feedbackLayout->setContentsMargins(0, 0, 0, 0);
    feedbackLayout->setSpacing(Theme::scaled(4));
    m_feedbackSymbol
        = new SymbolView({}, Theme::pixelSize(Theme::TextStyle::caption), Theme::Colour::green, m_feedback);
    m_feedbackLabel = new StyledLabel({}, Theme::TextStyle::caption, Theme::Colour::primary, m_feedback);
    m_feedbackLabel->setMaximumLines(1);
    feedbackLayout->addWidget(m_feedbackSymbol);
    feedbackLayout->addWidget(m_feedbackLabel, 1);
    // On a line of its own, its room kept while hidden: an outcome moves nothing and widens nothing.
    QSizePolicy reserved = m_feedback->sizePolicy();
    reserved.setRetainSizeWhenHidden(true);
    m_feedback->setSizePolicy(reserved);
    m_feedbackOpacity = new QGraphicsOpacityEffect(m_feedback);
    m_feedbackOpacity->setOpacity(0);
    m_feedback->setGraphicsEffect(m_feedbackOpacity);
    m_feedbackFade = new QPropertyAnimation(m_feedbackOpacity, "opacity", m_feedback);
    m_feedbackFade->setDuration(fadeMilliseconds);
    connect(m_feedbackFade, &QPropertyAnimation::finished, this, [this] {
        if (!m_feedbackOk) {
            m_feedback->hide();
            m_feedbackLabel->clear();
        }
    });
    m_feedback->hide();

    auto* actions = new QHBoxLayout;
    actions->setSpacing(Theme::scaled(10));
    actions->addWidget(m_refireButton);
    if (m_payload->listenerId) {
        m_editButton
            = symbolButton(tr("Edit listener"), QStringLiteral("slider.horizontal.3"), Theme::Colour::primary, content);
        connect(m_editButton, &QPushButton::clicked, this, &PayloadInspector::editListener);
        actions->addWidget(m_editButton);
    }
    actions->addStretch();
    if (m_presentation == Presentation::sheet) {
        m_closeButton = new QPushButton(tr("Close"), content);
        m_closeButton->setAutoDefault(false);
        m_closeButton->setShortcut(QKeySequence(Qt::Key_Escape));
        connect(m_closeButton, &QPushButton::clicked, this, &PayloadInspector::dismissRequested);
        actions->addWidget(m_closeButton);
    }

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(12));
    layout->addLayout(summary);
    auto* outcome = new QVBoxLayout;
    outcome->setSpacing(Theme::scaled(6));
    outcome->addLayout(actions);
    outcome->addWidget(m_feedback);
    layout->addLayout(outcome);
    return new Card(tr("Event"), content);
}

QWidget* PayloadInspector::makeValuesCard(
    const QString& title, const std::optional<std::map<std::string, AnyCodable>>& values)
{
    auto* content = new QWidget;
    if (!values || values->empty()) {
        auto* layout = new QVBoxLayout(content);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new StyledLabel(tr("No headers"), Theme::TextStyle::caption, Theme::Colour::tertiary));
        return new Card(title, content);
    }
    auto* grid = new QGridLayout(content);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(Theme::scaled(4));
    grid->setColumnMinimumWidth(0, Theme::scaled(keyColumnWidth));
    grid->setColumnStretch(1, 1);
    int row = 0;
    // std::map keeps the keys in ascending byte order.
    for (const auto& [key, value] : *values) {
        auto* keyLabel = monospacedCaption(QString::fromStdString(key), Theme::Colour::secondary, content);
        keyLabel->setFixedWidth(Theme::scaled(keyColumnWidth));
        keyLabel->setWordWrap(true);
        auto* valueLabel = monospacedCaption(
            QString::fromStdString(Template::stringify(&value.value)), Theme::Colour::primary, content);
        valueLabel->setWordWrap(true);
        valueLabel->setSelectable();
        grid->addWidget(keyLabel, row, 0, Qt::AlignTop | Qt::AlignLeft);
        grid->addWidget(valueLabel, row, 1, Qt::AlignTop);
        ++row;
    }
    return new Card(title, content);
}

QWidget* PayloadInspector::makeBodyCard()
{
    if (!m_payload->isBodyCut()) {
        m_body = new PayloadBody(m_payload);
        return new Card(tr("Body"), m_body);
    }
    auto* card = new Card(tr("Body"),
        new StyledLabel(tr("Loading the whole body…"), Theme::TextStyle::callout, Theme::Colour::secondary));
    showWholeBody(card);
    return card;
}

QCoro::Task<> PayloadInspector::showWholeBody(QPointer<Card> card)
{
    QPointer self(this);
    auto whole = co_await m_state.client().wholePayload(*m_payload, m_requestStop.get_token());
    if (!self || !card) {
        co_return;
    }
    // Without the whole body the start the list carried is shown, and the failure said.
    if (whole) {
        m_payload = std::make_shared<const Payload>(*std::move(whole));
    } else {
        m_state.reportError(whole.error().description);
    }
    m_body = new PayloadBody(m_payload);
    card->setContent(m_body);
}

PayloadBodyText* PayloadInspector::bodyText() const
{
    return m_body != nullptr ? m_body->text() : nullptr;
}

QString PayloadInspector::feedbackText() const
{
    return m_feedbackOk ? m_feedbackLabel->text() : QString();
}

void PayloadInspector::refire()
{
    [](QPointer<PayloadInspector> self, AppState* state, Payload payload) -> QCoro::Task<> {
        const RefireResult result = co_await state->refire(std::move(payload));
        if (self) {
            self->showFeedback(result);
        }
    }(this, &m_state, *m_payload);
}

void PayloadInspector::showFeedback(RefireResult result)
{
    const bool ok = result == RefireResult::fired;
    m_feedbackOk = ok;
    m_feedbackSymbol->setSymbol(
        ok ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("line.3.horizontal.decrease.circle.fill"));
    m_feedbackSymbol->setTint(ok ? Theme::Colour::green : Theme::Colour::orange);
    m_feedbackLabel->setText(refireResultText(result));
    m_feedback->show();
    fadeFeedback(1);
    m_feedbackTimer.start();
}

void PayloadInspector::clearFeedback()
{
    m_feedbackOk.reset();
    fadeFeedback(0);
}

void PayloadInspector::fadeFeedback(double opacity)
{
    m_feedbackFade->stop();
    m_feedbackFade->setStartValue(m_feedbackOpacity->opacity());
    m_feedbackFade->setEndValue(opacity);
    m_feedbackFade->start();
}

void PayloadInspector::editListener()
{
    const auto& listenerId = m_payload->listenerId;
    if (!listenerId) {
        return;
    }
    const QString id = QString::fromStdString(*listenerId);
    emit dismissRequested();
    m_state.setSidebarSelection(SidebarSelection::forListener(id));
}

} // namespace corvane
