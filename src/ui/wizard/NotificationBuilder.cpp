#include "ui/wizard/NotificationBuilder.h"

#include "ui/components/BannerPreview.h"
#include "ui/components/Card.h"
#include "ui/components/FilledFieldStyle.h"
#include "ui/components/GrowingTextField.h"
#include "ui/components/SoundPicker.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/Symbols.h"
#include "ui/inspector/PayloadTreeView.h"
#include "ui/wizard/WizardControls.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTransform>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace corvane {
namespace {

constexpr int treeMinimumHeight = 180;
constexpr int treeMaximumHeight = 260;
constexpr int soundLabelWidth = 60;
constexpr int soundPickerMaximumWidth = 160;
constexpr int spinnerMilliseconds = 900;

// A label above its field, 4 points apart.
QVBoxLayout* labelled(const QString& text, QWidget* field)
{
    auto* column = new QVBoxLayout;
    column->setSpacing(Theme::scaled(4));
    auto* label = StyledLabel::fieldTitle(text, field);
    column->addWidget(label);
    column->addWidget(field);
    return column;
}

QString emphasised(const QString& word, const QColor& colour)
{
    return QStringLiteral("<span style=\"color:%1; font-weight:600\">%2</span>").arg(colour.name(), word);
}

} // namespace

NotificationBuilder::NotificationBuilder(const Payload* payload, bool offersSuggestion, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(16));
    if (payload != nullptr) {
        layout->addWidget(makePayloadCard(*payload));
    }
    if (offersSuggestion) {
        m_suggest = WizardControls::borderedButton(tr("Suggest with AI"), QStringLiteral("sparkles"));
        m_suggest->setToolTip(tr("Let AI draft the title, body and filter from the captured payload"));
        m_spinner = new QVariantAnimation(this);
        m_spinner->setStartValue(0.0);
        m_spinner->setEndValue(360.0);
        m_spinner->setDuration(spinnerMilliseconds);
        m_spinner->setLoopCount(-1);
        connect(m_spinner, &QVariantAnimation::valueChanged, this, [this](const QVariant& angle) {
            const int side = Theme::symbolSize(12);
            const QPixmap dots = Symbols::pixmap(QStringLiteral("circle.dotted"), side,
                Theme::colour(Theme::Colour::secondary, palette()), devicePixelRatioF());
            m_suggest->setIcon(dots.transformed(QTransform().rotate(angle.toReal()), Qt::SmoothTransformation));
        });
        connect(m_suggest, &QPushButton::clicked, this, &NotificationBuilder::suggestRequested);
        layout->addWidget(m_suggest, 0, Qt::AlignLeft);
    }
    layout->addWidget(makeTemplateCard());

    m_preview = new BannerPreview({}, {}, QStringLiteral("corvane"), tr("now"));
    m_preview->setAccessibleName(tr("Preview"));
    layout->addWidget(new Card(tr("Preview"), m_preview));

    m_testFire = WizardControls::borderedButton(tr("Test fire"), QStringLiteral("bell.and.waveform.fill"));
    m_testFire->setParent(this);
    connect(m_testFire, &QPushButton::clicked, this, &NotificationBuilder::testFireRequested);
    m_save = WizardControls::prominentButton(tr("Save listener"));
    m_save->setParent(this);
    connect(m_save, &QPushButton::clicked, this, &NotificationBuilder::saveRequested);
    m_testFire->setMinimumHeight(m_save->minimumHeight());
}

QWidget* NotificationBuilder::makePayloadCard(const Payload& payload)
{
    auto* content = new QWidget;
    const QColor accent = Theme::colour(Theme::Colour::accent, palette());
    auto* hint = new StyledLabel(tr("Hover any value, then click %1 or %2 to map it into the notification.")
                                     .arg(emphasised(tr("Title"), accent), emphasised(tr("Body"), accent)),
        Theme::TextStyle::caption, Theme::Colour::secondary);
    hint->setTextFormat(Qt::RichText);
    hint->setWordWrap(true);
    m_tree = new PayloadTreeView;
    m_tree->setPayload(payload);
    m_tree->setMinimumHeight(Theme::scaled(treeMinimumHeight));
    m_tree->setMaximumHeight(Theme::scaled(treeMaximumHeight));
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(8));
    layout->addWidget(hint);
    layout->addWidget(m_tree);
    return new Card(tr("Captured payload"), content);
}

QWidget* NotificationBuilder::makeTemplateCard()
{
    auto* content = new QWidget;
    m_title = new QLineEdit;
    m_title->setAccessibleName(tr("Title"));
    FilledFieldStyle::apply(m_title);
    m_body = new GrowingTextField(4);
    m_body->setAccessibleName(tr("Body"));
    m_link = new QLineEdit;
    m_link->setAccessibleName(tr("Link"));
    m_link->setPlaceholderText(tr("{{body.url}}  (empty = no link)"));
    m_link->setToolTip(tr("Opened by a click on the notification when it is an http or https address"));
    FilledFieldStyle::apply(m_link);
    m_filter = new QLineEdit;
    m_filter->setAccessibleName(tr("Filter"));
    m_filter->setPlaceholderText(tr("$.body.action  (empty = match all)"));
    FilledFieldStyle::apply(m_filter);
    m_sound = new SoundPicker;
    m_sound->setMaximumWidth(Theme::scaled(soundPickerMaximumWidth));

    connect(m_title, &QLineEdit::textEdited, this, &NotificationBuilder::titleEdited);
    connect(m_body, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_loading) {
            emit bodyEdited(m_body->toPlainText());
        }
    });
    connect(m_link, &QLineEdit::textEdited, this, &NotificationBuilder::linkEdited);
    connect(m_filter, &QLineEdit::textEdited, this, &NotificationBuilder::filterEdited);
    connect(m_sound, &QComboBox::currentTextChanged, this, [this](const QString& sound) {
        if (!m_loading) {
            emit soundChosen(sound);
        }
    });

    auto* soundLabel = StyledLabel::fieldTitle(tr("Sound"));
    soundLabel->setFixedWidth(Theme::scaled(soundLabelWidth));
    soundLabel->setBuddy(m_sound);
    auto* soundRow = new QHBoxLayout;
    soundRow->addWidget(soundLabel);
    soundRow->addWidget(m_sound, 1);
    soundRow->addStretch();

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(12));
    layout->addLayout(labelled(tr("Title"), m_title));
    layout->addLayout(labelled(tr("Body"), m_body));
    layout->addLayout(labelled(tr("Link"), m_link));
    layout->addLayout(labelled(tr("Filter"), m_filter));
    layout->addLayout(soundRow);
    return new Card(tr("Template"), content);
}

void NotificationBuilder::setTemplates(
    const QString& title, const QString& body, const QString& link, const QString& filter, const QString& sound)
{
    m_loading = true;
    if (m_title->text() != title) {
        m_title->setText(title);
    }
    if (m_body->toPlainText() != body) {
        m_body->setPlainText(body);
    }
    if (m_link->text() != link) {
        m_link->setText(link);
    }
    if (m_filter->text() != filter) {
        m_filter->setText(filter);
    }
    m_sound->choose(sound);
    m_loading = false;
}

void NotificationBuilder::setSuggesting(bool suggesting)
{
    m_suggesting = suggesting;
    showSuggestButton();
}

void NotificationBuilder::setPreview(const QString& title, const QString& message)
{
    m_preview->setTitle(title);
    m_preview->setMessage(message);
}

void NotificationBuilder::showSuggestButton()
{
    if (m_suggest == nullptr) {
        return;
    }
    m_suggest->setEnabled(!m_suggesting);
    if (m_suggesting) {
        m_suggest->setText(tr("Thinking…"));
        m_spinner->start();
    } else {
        m_spinner->stop();
        m_suggest->setText(tr("Suggest with AI"));
        m_suggest->setIcon(Symbols::icon(QStringLiteral("sparkles")));
    }
}

QList<QWidget*> NotificationBuilder::focusOrder() const
{
    QList<QWidget*> order;
    for (QWidget* control : {static_cast<QWidget*>(m_suggest), static_cast<QWidget*>(m_tree)}) {
        if (control != nullptr) {
            order << control;
        }
    }
    order << m_title << m_body << m_link << m_filter << m_sound << m_testFire << m_save;
    return order;
}

} // namespace corvane
