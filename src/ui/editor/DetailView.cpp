#include "ui/editor/DetailView.h"

#include "core/AppState.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"
#include "ui/components/Card.h"
#include "ui/components/Clipboard.h"
#include "ui/components/Divider.h"
#include "ui/components/FilledFieldStyle.h"
#include "ui/components/FooterBar.h"
#include "ui/components/ProminentButton.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/Symbols.h"
#include "ui/components/ToggleSwitch.h"
#include "ui/components/TransientConfirmation.h"
#include "ui/editor/ListenerHeader.h"
#include "ui/editor/NotificationFields.h"
#include "ui/editor/RecentPayloadList.h"
#include "ui/editor/TemplateBuilder.h"
#include "ui/editor/VerificationFields.h"
#include "ui/inspector/PayloadInspectorSheet.h"
#include "ui/inspector/PayloadTreeView.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace corvane {
namespace {

QPushButton* borderedButton(
    const QString& text, const QString& symbol, const Theme::Tint& tint = Theme::Colour::primary)
{
    auto* button = new QPushButton(text);
    button->setIcon(Symbols::icon(symbol, tint));
    button->setIconSize(QSize(Theme::symbolSize(12), Theme::symbolSize(12)));
    button->setAutoDefault(false);
    return button;
}

} // namespace

DetailView::DetailView(AppState& state, QString listenerId, QWidget* parent)
    : QWidget(parent), m_state(state), m_listenerId(std::move(listenerId)), m_content(new QStackedWidget),
      m_builder(new TemplateBuilder), m_recentPages(new QStackedWidget)
{
    setAccessibleName(tr("Listener editor"));
    auto* header = new ListenerHeader;
    m_nameField = header->nameField();
    m_unsavedLabel = header->unsavedLabel();
    m_enabledSwitch = header->enabledSwitch();
    connect(header, &ListenerHeader::edited, this, &DetailView::editDraft);
    m_fields = new NotificationFields;
    connect(m_fields, &NotificationFields::edited, this, &DetailView::editDraft);
    connect(m_fields->testFireButton(), &QPushButton::clicked, this, &DetailView::testFire);
    m_verificationFields = new VerificationFields;
    connect(m_verificationFields, &VerificationFields::edited, this, &DetailView::editDraft);

    auto* notFound = new StyledLabel(tr("Listener not found"), Theme::TextStyle::body, Theme::Colour::secondary);
    notFound->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int margin = Theme::scaled(24);
    notFound->setContentsMargins(margin, margin, margin, margin);
    m_notFound = notFound;

    m_recentEmpty = new StyledLabel(tr("No payloads received yet"), Theme::TextStyle::callout, Theme::Colour::tertiary);
    m_recentPages->addWidget(m_recentEmpty);
    m_recentList = new RecentPayloadList(m_recent);
    m_recentPages->addWidget(m_recentList);
    connect(m_recentList, &RecentPayloadList::opened, this, [this](const QString& id) {
        const auto found = std::ranges::find(m_recent, id.toStdString(), &Payload::id);
        if (found != m_recent.end()) {
            inspect(*found);
        }
    });
    connect(m_builder, &TemplateBuilder::addToTitleRequested, m_fields, &NotificationFields::addToTitle);
    connect(m_builder, &TemplateBuilder::addToBodyRequested, m_fields, &NotificationFields::addToBody);

    auto* cards = new QWidget;
    auto* cardsLayout = new QVBoxLayout(cards);
    cardsLayout->setContentsMargins(margin, Theme::scaled(16), margin, margin);
    cardsLayout->setSpacing(Theme::scaled(12));
    cardsLayout->addWidget(makeEndpointCard());
    cardsLayout->addWidget(new Card(tr("Verification"), m_verificationFields));
    cardsLayout->addWidget(new Card(tr("Notification"), m_fields));
    cardsLayout->addWidget(new Card(tr("Build from payload"), m_builder));
    cardsLayout->addWidget(new Card(tr("Recent payloads"), m_recentPages));
    cardsLayout->addStretch(1);
    m_content->addWidget(m_notFound);
    m_content->addWidget(cards);

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(m_content);
    scroll->viewport()->setAutoFillBackground(false);
    m_content->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addWidget(new Divider);
    layout->addWidget(scroll, 1);
    layout->addWidget(makeActions());

    auto* saveShortcut = new QShortcut(QKeySequence::Save, this);
    saveShortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(saveShortcut, &QShortcut::activated, this, [this] {
        if (m_saveButton->isEnabled()) {
            save();
        }
    });
    connect(&m_state, &AppState::listenersChanged, this, &DetailView::follow);
    connect(&m_state, &AppState::activityChanged, this, [this] {
        if (listener()) {
            fetchRecent();
        }
    });

    showDraft();
    load();
    follow();
    showRecent();
    applyTabOrder();
}

DetailView::~DetailView()
{
    m_recentStop.request_stop();
}

QWidget* DetailView::makeEndpointCard()
{
    m_urlField = new QLineEdit;
    FilledFieldStyle::apply(m_urlField, true);
    m_urlField->setAccessibleName(tr("Endpoint URL"));
    m_urlField->setReadOnly(true);
    m_urlField->setFont(Theme::monospaced(Theme::font(Theme::TextStyle::callout)));
    m_copyButton = borderedButton({}, QStringLiteral("doc.on.doc"));
    m_copyButton->setToolTip(tr("Copy URL"));
    m_copyButton->setAccessibleName(tr("Copy URL"));
    connect(m_copyButton, &QPushButton::clicked, this, &DetailView::copyURL);
    const int side = m_urlField->sizeHint().height();
    m_copyButton->setFixedSize(side, side);

    m_copiedConfirmation = new TransientConfirmation(tr("Copied"));
    m_copiedConfirmation->setObjectName(QStringLiteral("copiedConfirmation"));

    auto* row = new QHBoxLayout;
    row->setSpacing(Theme::scaled(8));
    row->addWidget(m_urlField, 1);
    row->addWidget(m_copyButton);
    auto* caption = new QHBoxLayout;
    caption->addWidget(new StyledLabel(
        tr("Anyone with this URL can post to it."), Theme::TextStyle::caption, Theme::Colour::tertiary));
    caption->addStretch(1);
    caption->addWidget(m_copiedConfirmation);
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(6));
    layout->addLayout(row);
    layout->addLayout(caption);
    return new Card(tr("Endpoint"), content);
}

QWidget* DetailView::makeActions()
{
    m_deleteButton = borderedButton(tr("Delete listener"), QStringLiteral("trash"), Theme::Colour::red);
    QPalette destructive = m_deleteButton->palette();
    destructive.setColor(QPalette::ButtonText, Theme::colour(Theme::Colour::red, destructive));
    m_deleteButton->setPalette(destructive);
    m_deleteButton->setAccessibleName(tr("Delete listener"));
    connect(m_deleteButton, &QPushButton::clicked, this, &DetailView::deleteListener);
    m_revertButton = new QPushButton(tr("Revert"));
    m_revertButton->setAutoDefault(false);
    m_revertButton->setAccessibleName(tr("Revert"));
    connect(m_revertButton, &QPushButton::clicked, this, &DetailView::revert);
    m_saveButton = new ProminentButton(tr("Save changes"), ProminentButton::Size::compact);
    m_saveButton->setToolTip(
        tr("Save changes (%1)").arg(QKeySequence(QKeySequence::Save).toString(QKeySequence::NativeText)));
    m_saveButton->setAccessibleName(tr("Save changes"));
    connect(m_saveButton, &QPushButton::clicked, this, &DetailView::save);
    m_savedConfirmation = new TransientConfirmation(tr("Saved"));
    m_savedConfirmation->setObjectName(QStringLiteral("savedConfirmation"));

    m_footer = new FooterBar({m_deleteButton}, {m_savedConfirmation, m_revertButton, m_saveButton});
    return m_footer;
}

std::optional<Listener> DetailView::listener() const
{
    return m_state.listener(m_listenerId);
}

bool DetailView::hasChanges() const
{
    return m_draft.hasChanges(listener());
}

QString DetailView::endpointURL() const
{
    const auto shown = listener();
    return shown ? AppSettings::serviceURL() + QString::fromStdString(shown->hookPath) : QString();
}

PayloadInspectorSheet* DetailView::inspectorSheet() const
{
    return m_sheet;
}

bool DetailView::showsNotFound() const
{
    return m_content->currentWidget() == m_notFound;
}

void DetailView::load()
{
    const auto shown = listener();
    if (!shown) {
        return;
    }
    if (!m_didLoad) {
        m_draft = ListenerDraft::from(*shown);
        m_didLoad = true;
        showDraft();
    }
    fetchRecent();
}

void DetailView::revert()
{
    m_didLoad = false;
    load();
}

QCoro::Task<> DetailView::fetchRecent()
{
    if (m_fetchingRecent) {
        m_fetchRecentAgain = true;
        co_return;
    }
    QPointer self(this);
    const std::stop_token stop = m_recentStop.get_token();
    m_fetchingRecent = true;
    do {
        m_fetchRecentAgain = false;
        auto fetched = co_await m_state.client().recentPayloads(m_listenerId, 10, stop);
        if (!self || stop.stop_requested()) {
            co_return;
        }
        if (fetched) {
            const bool sameIds = std::ranges::equal(*fetched, m_recent, {}, &Payload::id, &Payload::id);
            m_recent = std::move(*fetched);
            if (!sameIds) {
                m_builder->setRecent(m_recent);
            }
            showRecent();
        }
    } while (m_fetchRecentAgain);
    m_fetchingRecent = false;
}

QCoro::Task<> DetailView::save()
{
    const auto shown = listener();
    if (!shown) {
        co_return;
    }
    QPointer self(this);
    const ListenerDraft sent = m_draft;
    const auto saved = co_await m_state.updateListener(
        m_listenerId, sent.name, sent.config(), sent.isEnabled, sent.verification.update(shown->verification));
    if (!self) {
        co_return;
    }
    if (saved) {
        m_savedConfirmation->confirm();
    }
    // The secret went to the relay; the field never keeps it once the relay has it.
    if (saved && !sent.verification.secret.isEmpty() && m_draft.verification.secret == sent.verification.secret) {
        m_draft.verification.secret.clear();
        showDraft();
    } else {
        showChanges();
    }
}

QCoro::Task<> DetailView::deleteListener()
{
    QPointer self(this);
    AppState& state = m_state;
    co_await state.deleteListener(m_listenerId);
    if (self) {
        state.setSidebarSelection(std::nullopt);
    }
}

QCoro::Task<> DetailView::testFire()
{
    QPointer self(this);
    const QString payloadId = m_recent.empty() ? QString() : QString::fromStdString(m_recent.front().id);
    m_fields->testFireButton()->setEnabled(false);
    co_await m_state.testFire(m_draft.config(), previewContext(), payloadId);
    if (self) {
        m_fields->testFireButton()->setEnabled(true);
    }
}

void DetailView::copyURL()
{
    Clipboard::copyText(endpointURL());
    m_copiedConfirmation->confirm();
}

void DetailView::inspect(const Payload& payload)
{
    if (m_sheet != nullptr) {
        m_sheet->close();
    }
    m_sheet = new PayloadInspectorSheet(m_state, payload, this);
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_sheet->open();
}

void DetailView::showDraft()
{
    m_showing = true;
    m_nameField->setText(m_draft.name);
    m_enabledSwitch->setChecked(m_draft.isEnabled);
    m_fields->showDraft(m_draft);
    m_verificationFields->showDraft(m_draft.verification);
    m_showing = false;
    showChanges();
    showPreview();
}

void DetailView::editDraft()
{
    if (m_showing) {
        return;
    }
    m_draft.name = m_nameField->text();
    m_draft.isEnabled = m_enabledSwitch->isChecked();
    m_fields->readDraft(m_draft);
    m_draft.verification = m_verificationFields->draft();
    showChanges();
    showPreview();
}

void DetailView::follow()
{
    const bool found = listener().has_value();
    m_content->setCurrentWidget(found ? m_content->widget(1) : m_notFound);
    m_footer->setVisible(found);
    m_urlField->setText(endpointURL());
    m_urlField->setCursorPosition(0);
    showChanges();
}

void DetailView::showChanges()
{
    const bool changed = hasChanges();
    const auto shown = listener();
    const std::optional<ListenerVerification> stored = shown ? shown->verification : std::nullopt;
    const VerificationDraft& verification = m_draft.verification;
    const QString problem = changed ? verification.problem(stored) : QString();
    m_verificationFields->showState(!verification.scheme.isEmpty() && !verification.needsSecret(stored), problem);
    m_unsavedLabel->setVisible(changed);
    m_revertButton->setVisible(changed);
    m_saveButton->setEnabled(changed && problem.isEmpty());
}

nlohmann::json DetailView::previewContext() const
{
    if (!m_recent.empty()) {
        return m_state.payloadContext(m_recent.front());
    }
    return {{"listener_name", m_draft.name.toStdString()}};
}

void DetailView::showPreview()
{
    m_fields->showPreview(m_draft, previewContext());
}

void DetailView::showRecent()
{
    m_recentList->refresh();
    m_recentPages->setCurrentWidget(m_recent.empty() ? m_recentEmpty : static_cast<QWidget*>(m_recentList));
    showPreview();
}

void DetailView::applyTabOrder()
{
    QList<QWidget*> order{m_nameField, m_enabledSwitch, m_urlField, m_copyButton};
    order << m_verificationFields->focusOrder();
    order << m_fields->focusOrder() << m_builder->sourceButton() << m_builder->tree();
    order << m_recentList << m_deleteButton << m_revertButton << m_saveButton;
    for (qsizetype index = 1; index < order.size(); ++index) {
        setTabOrder(order[index - 1], order[index]);
    }
}

} // namespace corvane
