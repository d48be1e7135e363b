#include "ui/editor/NotificationFields.h"

#include "evaluation/NotificationContent.h"
#include "evaluation/Template.h"
#include "ui/components/BannerPreview.h"
#include "ui/components/FilledFieldStyle.h"
#include "ui/components/GrowingTextField.h"
#include "ui/components/Layouts.h"
#include "ui/components/SoundPicker.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/Symbols.h"
#include "ui/editor/ListenerDraft.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace corvane {
namespace {

constexpr int bodyLines = 4;
constexpr int soundLabelWidth = 60;
constexpr int soundPickerWidth = 160;
constexpr int previewMaximumWidth = 400;

// Templates the user did not write: a value added to them replaces them.
constexpr std::array placeholders{NotificationContent::defaultTitle, NotificationContent::defaultBody};

QString combined(const QString& existing, const QString& path)
{
    return QString::fromStdString(Template::combine(existing.toStdString(), path.toStdString(), placeholders));
}

} // namespace

NotificationFields::NotificationFields(QWidget* parent)
    : QWidget(parent), m_titleField(FilledFieldStyle::field(tr("Title"))), m_bodyField(new GrowingTextField(bodyLines)),
      m_linkField(FilledFieldStyle::field(tr("Link"), tr("{{body.url}}  (empty = no link)"))),
      m_filterField(FilledFieldStyle::field(tr("Filter"), tr("$.body.action  (empty = match all)"))),
      m_preview(new BannerPreview)
{
    m_bodyField->setAccessibleName(tr("Body"));
    for (QLineEdit* field : {m_titleField, m_linkField, m_filterField}) {
        connect(field, &QLineEdit::textChanged, this, &NotificationFields::edited);
    }
    connect(m_bodyField, &QPlainTextEdit::textChanged, this, &NotificationFields::edited);
    auto* hint = new StyledLabel(tr("JSONPath expression. Payload only fires when this resolves to a non-empty value."),
        Theme::TextStyle::caption2, Theme::Colour::tertiary);
    hint->setWordWrap(true);
    auto* linkHint = new StyledLabel(tr("Opened by a click on the notification when it is an http or https address."),
        Theme::TextStyle::caption2, Theme::Colour::tertiary);
    linkHint->setWordWrap(true);

    m_preview->setAppName(QStringLiteral("corvane"));
    m_preview->setTimeLabel(tr("now"));
    const QMargins shadow = BannerPreview::shadowMargins();
    m_preview->setMaximumWidth(Theme::scaled(previewMaximumWidth) + shadow.left() + shadow.right());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(10));
    layout->addWidget(Layouts::column({StyledLabel::fieldTitle(tr("Title"), m_titleField), m_titleField}, 4));
    layout->addWidget(Layouts::column({StyledLabel::fieldTitle(tr("Body"), m_bodyField), m_bodyField}, 4));
    layout->addWidget(Layouts::column(
        {StyledLabel::fieldTitle(tr("Link"), m_linkField), Layouts::column({m_linkField, linkHint}, 4)}, 4));
    layout->addWidget(Layouts::column(
        {StyledLabel::fieldTitle(tr("Filter"), m_filterField), Layouts::column({m_filterField, hint}, 4)}, 4));
    layout->addWidget(makeSoundRow());
    layout->addWidget(m_preview);
}

QWidget* NotificationFields::makeSoundRow()
{
    m_soundPicker = new SoundPicker;
    m_soundPicker->setFixedWidth(Theme::scaled(soundPickerWidth));
    connect(m_soundPicker, &QComboBox::currentTextChanged, this, &NotificationFields::edited);
    m_testFireButton = new QPushButton(tr("Test fire"));
    m_testFireButton->setIcon(Symbols::icon(QStringLiteral("bell.and.waveform.fill")));
    m_testFireButton->setIconSize(QSize(Theme::symbolSize(12), Theme::symbolSize(12)));
    m_testFireButton->setAutoDefault(false);
    m_testFireButton->setAccessibleName(tr("Test fire"));
    auto* soundLabel = StyledLabel::fieldTitle(tr("Sound"));
    soundLabel->setFixedWidth(Theme::scaled(soundLabelWidth));

    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, Theme::scaled(4), 0, Theme::scaled(4));
    layout->addWidget(soundLabel);
    layout->addWidget(m_soundPicker);
    layout->addStretch();
    layout->addWidget(m_testFireButton);
    return row;
}

void NotificationFields::showDraft(const ListenerDraft& draft)
{
    m_titleField->setText(draft.title);
    if (m_bodyField->toPlainText() != draft.body) {
        m_bodyField->setPlainText(draft.body);
    }
    m_linkField->setText(draft.link);
    m_filterField->setText(draft.filter);
    m_soundPicker->choose(draft.sound);
}

void NotificationFields::readDraft(ListenerDraft& draft) const
{
    draft.title = m_titleField->text();
    draft.body = m_bodyField->toPlainText();
    draft.link = m_linkField->text();
    draft.filter = m_filterField->text();
    draft.sound = m_soundPicker->currentText();
}

void NotificationFields::showPreview(const ListenerDraft& draft, const nlohmann::json& context)
{
    const auto content = NotificationContent::render(draft.config(), context, NotificationContent::Unset::defaults);
    m_preview->setTitle(QString::fromStdString(content.title));
    m_preview->setMessage(QString::fromStdString(content.body));
}

void NotificationFields::addToTitle(const QString& path)
{
    m_titleField->setText(combined(m_titleField->text(), path));
}

void NotificationFields::addToBody(const QString& path)
{
    m_bodyField->setPlainText(combined(m_bodyField->toPlainText(), path));
}

QList<QWidget*> NotificationFields::focusOrder() const
{
    return {m_titleField, m_bodyField, m_linkField, m_filterField, m_soundPicker, m_testFireButton};
}

} // namespace corvane
