#include "ui/wizard/WizardView.h"

#include "core/AppState.h"
#include "core/CancellableSleep.h"
#include "evaluation/NotificationContent.h"
#include "model/Timestamp.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"
#include "ui/components/Divider.h"
#include "ui/components/FooterBar.h"
#include "ui/components/ScreenHeader.h"
#include "ui/components/SoundPicker.h"
#include "ui/inspector/PayloadTreeView.h"
#include "ui/wizard/StepIndicator.h"
#include "ui/wizard/WizardControls.h"
#include "ui/wizard/WizardText.h"

#include <QHideEvent>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace corvane {
namespace {

constexpr int contentPadding = 24;
constexpr auto pollPause = std::chrono::seconds(1);

struct StepTexts {
    QString title;
    QString subtitle;
    int index;
};

StepTexts textsOf(WizardView::Step step)
{
    switch (step) {
    case WizardView::Step::nameAndURL:
        return {WizardView::tr("New listener"), WizardView::tr("Name it and grab the endpoint URL."), 0};
    case WizardView::Step::waiting:
        return {WizardView::tr("Waiting for first request"),
            WizardView::tr("Send a real request — we'll capture the payload."), 1};
    case WizardView::Step::build:
        return {WizardView::tr("Build notification"),
            WizardView::tr("Click any value in the tree to insert it as a template token."), 2};
    case WizardView::Step::manualBuild:
        return {
            WizardView::tr("Configure template"), WizardView::tr("No captured payload — use generic placeholders."), 2};
    }
    return {};
}

// Text that is not UTF-8 cannot be written as JSON: none then.
std::optional<QByteArray> compactJson(const nlohmann::json& value)
{
    try {
        return QByteArray::fromStdString(value.dump());
    } catch (const nlohmann::json::type_error&) {
        return std::nullopt;
    }
}

bool isBlank(const QString& text)
{
    return std::ranges::all_of(text, [](QChar character) { return character == u' ' || character == u'\t'; });
}

} // namespace

WizardView::WizardView(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_name(tr("New listener")), m_sound(SoundPicker::defaultSound()),
      m_header(new ScreenHeader), m_indicator(new StepIndicator), m_scroll(new QScrollArea)
{
    const WizardText::Templates starting = WizardText::startingTemplates();
    m_titleTemplate = starting.title;
    m_bodyTemplate = starting.body;

    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_indicator);
    layout->addWidget(new Divider);
    layout->addWidget(m_scroll, 1);
    setAccessibleName(tr("New listener"));
    showStep();
}

WizardView::~WizardView()
{
    m_requestStop.request_stop();
    stopWaiting();
}

QString WizardView::hookURL() const
{
    return m_createdListener
        ? WizardText::hookURL(AppSettings::serviceURL(), QString::fromStdString(m_createdListener->hookPath))
        : QString();
}

NotificationConfig WizardView::config() const
{
    NotificationConfig config;
    config.title = m_titleTemplate.toStdString();
    config.body = m_bodyTemplate.toStdString();
    if (!m_linkTemplate.isEmpty()) {
        config.link = m_linkTemplate.toStdString();
    }
    if (!m_filter.isEmpty()) {
        config.filter = m_filter.toStdString();
    }
    config.sound = m_sound.toStdString();
    return config;
}

nlohmann::json WizardView::previewContext() const
{
    if (m_capturedPayload) {
        return m_state.payloadContext(*m_capturedPayload);
    }
    return {{"listener_name", m_name.toStdString()}, {"body", {{"event", "sample"}, {"message", "(no payload yet)"}}}};
}

void WizardView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_focusTarget != nullptr) {
        m_focusTarget->setFocus();
        m_focusTarget = nullptr;
    }
}

void WizardView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Hidden by its owner (the screen is being left), not with its window.
    if (isHidden()) {
        stopWaiting();
    }
}

void WizardView::showStep()
{
    const StepTexts texts = textsOf(m_step);
    m_header->setTitle(texts.title);
    m_header->setSubtitle(texts.subtitle);
    m_indicator->setCurrent(texts.index);
    showDiscardButton();
    // The step being left may be the sender of this change (a button on it): deleted once that is over.
    if (QWidget* previous = m_scroll->takeWidget()) {
        previous->hide();
        previous->deleteLater();
    }
    m_nameStep = nullptr;
    m_waitingStep = nullptr;
    m_builder = nullptr;
    if (m_footer != nullptr) {
        m_footer->hide();
        m_footer->deleteLater();
    }

    QWidget* content = nullptr;
    switch (m_step) {
    case Step::nameAndURL:
        content = makeNameStep();
        break;
    case Step::waiting:
        content = makeWaitingStep();
        break;
    case Step::build:
    case Step::manualBuild:
        content = makeBuildStep(m_step == Step::build && m_capturedPayload ? &*m_capturedPayload : nullptr);
        m_focusTarget = m_builder->titleField();
        break;
    }
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    const int padding = Theme::scaled(contentPadding);
    pageLayout->setContentsMargins(padding, padding, padding, padding);
    pageLayout->addWidget(content);
    pageLayout->addStretch();
    m_scroll->setWidget(page);
    // Last in the layout and in the focus chain, which reparenting alone does not settle.
    if (m_builder != nullptr) {
        m_footer = new FooterBar({m_builder->testFireButton()}, {m_builder->saveButton()});
        layout()->addWidget(m_footer);
        const QList<QWidget*> order = m_builder->focusOrder();
        for (qsizetype index = 1; index < order.size(); ++index) {
            setTabOrder(order[index - 1], order[index]);
        }
    }
    if (isVisible() && m_focusTarget != nullptr) {
        m_focusTarget->setFocus();
        m_focusTarget = nullptr;
    }
}

void WizardView::showDiscardButton()
{
    if (!m_createdListener || m_discardButton != nullptr) {
        return;
    }
    m_discardButton = WizardControls::borderedButton(tr("Discard"), QStringLiteral("trash"), Theme::Colour::red);
    QPalette colours = m_discardButton->palette();
    colours.setColor(QPalette::ButtonText, Theme::colour(Theme::Colour::red, colours));
    m_discardButton->setPalette(colours);
    m_discardButton->setFont(Theme::font(Theme::TextStyle::callout));
    m_discardButton->setAutoDefault(false);
    connect(m_discardButton, &QPushButton::clicked, this, &WizardView::discard);
    m_header->setTrailing(m_discardButton);
}

QWidget* WizardView::makeNameStep()
{
    const std::optional<QString> url = m_createdListener ? std::optional(hookURL()) : std::nullopt;
    m_nameStep = new NameStep(m_name, url);
    m_nameStep->setCreateEnabled(!m_creating && !isBlank(m_name));
    connect(m_nameStep, &NameStep::nameChanged, this, [this](const QString& name) {
        m_name = name;
        m_nameStep->setCreateEnabled(!m_creating && !isBlank(m_name));
    });
    connect(m_nameStep, &NameStep::createRequested, this, &WizardView::create);
    connect(m_nameStep, &NameStep::continueRequested, this, &WizardView::continueToWaiting);
    connect(m_nameStep, &NameStep::skipRequested, this, &WizardView::skip);
    m_focusTarget = m_nameStep->focusTarget();
    return m_nameStep;
}

QWidget* WizardView::makeWaitingStep()
{
    m_waitingStep = new WaitingStep(m_createdListener ? std::optional(hookURL()) : std::nullopt);
    connect(m_waitingStep, &WaitingStep::skipRequested, this, &WizardView::skip);
    m_focusTarget = m_waitingStep->focusTarget();
    return m_waitingStep;
}

QWidget* WizardView::makeBuildStep(const Payload* payload)
{
    m_builder = new NotificationBuilder(payload, m_capturedPayload.has_value());
    pushTemplates();
    m_builder->setSuggesting(m_suggesting);
    refreshPreview();
    connect(m_builder, &NotificationBuilder::titleEdited, this, [this](const QString& title) {
        m_titleTemplate = title;
        refreshPreview();
    });
    connect(m_builder, &NotificationBuilder::bodyEdited, this, [this](const QString& body) {
        m_bodyTemplate = body;
        refreshPreview();
    });
    connect(m_builder, &NotificationBuilder::linkEdited, this, [this](const QString& link) { m_linkTemplate = link; });
    connect(m_builder, &NotificationBuilder::filterEdited, this, [this](const QString& filter) { m_filter = filter; });
    connect(m_builder, &NotificationBuilder::soundChosen, this, [this](const QString& sound) { m_sound = sound; });
    connect(m_builder, &NotificationBuilder::suggestRequested, this, &WizardView::suggestWithAI);
    connect(m_builder, &NotificationBuilder::testFireRequested, this, &WizardView::testFire);
    connect(m_builder, &NotificationBuilder::saveRequested, this, &WizardView::save);
    if (PayloadTreeView* tree = m_builder->tree()) {
        connect(tree, &PayloadTreeView::addToTitleRequested, this, [this](const QString& path) {
            m_titleTemplate = WizardText::combine(m_titleTemplate, path);
            pushTemplates();
            refreshPreview();
        });
        connect(tree, &PayloadTreeView::addToBodyRequested, this, [this](const QString& path) {
            m_bodyTemplate = WizardText::combine(m_bodyTemplate, path);
            pushTemplates();
            refreshPreview();
        });
    }
    return m_builder;
}

void WizardView::refreshPreview()
{
    if (m_builder == nullptr) {
        return;
    }
    const auto content = NotificationContent::render(config(), previewContext(), NotificationContent::Unset::empty);
    m_builder->setPreview(QString::fromStdString(content.title), QString::fromStdString(content.body));
}

void WizardView::pushTemplates()
{
    if (m_builder != nullptr) {
        m_builder->setTemplates(m_titleTemplate, m_bodyTemplate, m_linkTemplate, m_filter, m_sound);
    }
}

QCoro::Task<> WizardView::create()
{
    if (m_creating || m_createdListener || isBlank(m_name)) {
        co_return;
    }
    QPointer self(this);
    m_creating = true;
    m_nameStep->setCreateEnabled(false);
    // A new listener holds no request from before its creation: everything it receives from now on
    // counts as its first hit, including what is sent before the wait is asked for.
    const auto creationBegan = std::chrono::system_clock::now();
    auto created = co_await m_state.createListener(m_name);
    if (!self) {
        co_return;
    }
    m_creating = false;
    if (!created) {
        if (m_nameStep != nullptr) {
            m_nameStep->setCreateEnabled(!isBlank(m_name));
        }
        co_return;
    }
    m_createdListener = std::move(created);
    m_createdAt = creationBegan;
    showStep();
}

void WizardView::continueToWaiting()
{
    if (!m_createdListener) {
        return;
    }
    m_step = Step::waiting;
    showStep();
    startWaitingForFirstHit(*m_createdListener);
}

void WizardView::skip()
{
    m_step = Step::manualBuild;
    showStep();
}

void WizardView::startWaitingForFirstHit(const Listener& listener)
{
    stopWaiting();
    m_pollStop.emplace();
    captureLoop(this, QString::fromStdString(listener.id), m_createdAt, m_pollStop->get_token());
}

void WizardView::stopWaiting()
{
    if (m_pollStop) {
        m_pollStop->request_stop();
        m_pollStop.reset();
    }
}

QCoro::Task<> WizardView::captureLoop(
    QPointer<WizardView> view, QString listenerId, std::chrono::system_clock::time_point start, std::stop_token stop)
{
    ServiceClient* client = &view->m_state.client();
    while (!stop.stop_requested()) {
        auto recent = co_await client->recentPayloads(listenerId, 1, stop);
        if (stop.stop_requested() || !view) {
            co_return;
        }
        // A failed poll counts as an empty list.
        if (recent && !recent->empty()) {
            const auto receivedAt = Timestamp::lenient(recent->front().receivedAt);
            if (receivedAt && *receivedAt > start) {
                // The list may hold only the start of a large body; templates are built on the whole.
                auto whole = co_await client->wholePayload(std::move(recent->front()), stop);
                if (stop.stop_requested() || !view) {
                    co_return;
                }
                if (whole) {
                    view->capture(*std::move(whole));
                    co_return;
                }
            }
        }
        co_await cancellableSleep(pollPause, stop);
    }
}

void WizardView::capture(Payload payload)
{
    m_pollStop.reset();
    m_capturedPayload = std::move(payload);
    seedTemplatesFrom(*m_capturedPayload);
    m_step = Step::build;
    showStep();
}

void WizardView::seedTemplatesFrom(const Payload& payload)
{
    const auto seeded
        = WizardText::seedTemplatesFrom(m_state.payloadContext(payload), {m_titleTemplate, m_bodyTemplate});
    m_titleTemplate = seeded.title;
    m_bodyTemplate = seeded.body;
}

QCoro::Task<> WizardView::suggestWithAI()
{
    if (!m_capturedPayload || m_suggesting) {
        co_return;
    }
    QPointer self(this);
    m_suggesting = true;
    m_builder->setSuggesting(true);
    if (const auto sample = compactJson(m_state.payloadContext(*m_capturedPayload))) {
        auto suggestion = co_await m_state.client().suggestTemplate(*sample, m_requestStop.get_token());
        if (!self) {
            co_return;
        }
        if (suggestion) {
            m_titleTemplate = QString::fromStdString(suggestion->title);
            m_bodyTemplate = QString::fromStdString(suggestion->body);
            m_filter = QString::fromStdString(suggestion->filter.value_or(std::string()));
            m_linkTemplate = QString::fromStdString(suggestion->link.value_or(std::string()));
            pushTemplates();
            refreshPreview();
        } else {
            m_state.reportError(suggestion.error().description);
        }
    }
    m_suggesting = false;
    if (m_builder != nullptr) {
        m_builder->setSuggesting(false);
    }
}

QCoro::Task<> WizardView::testFire()
{
    const QString payloadId = m_capturedPayload ? QString::fromStdString(m_capturedPayload->id) : QString();
    co_await m_state.testFire(config(), previewContext(), payloadId);
}

QCoro::Task<> WizardView::save()
{
    if (!m_createdListener) {
        co_return;
    }
    QPointer self(this);
    const QString id = QString::fromStdString(m_createdListener->id);
    AppState& state = m_state;
    co_await state.updateListener(id, std::nullopt, config(), std::nullopt);
    if (!self) {
        co_return;
    }
    co_await state.refreshListeners();
    if (!self) {
        co_return;
    }
    state.setSidebarSelection(SidebarSelection::forListener(id));
}

void WizardView::discard()
{
    if (m_createdListener) {
        // Not owned by the screen: the listener is deleted even though the screen goes away at once.
        [](AppState* state, QString id) -> QCoro::Task<> { co_await state->deleteListener(std::move(id)); }(
                                            &m_state, QString::fromStdString(m_createdListener->id));
    }
    stopWaiting();
    m_state.setSidebarSelection(std::nullopt);
}

} // namespace corvane
