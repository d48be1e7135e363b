#include "ui/editor/NotificationFields.h"

#include "ui/components/BannerPreview.h"
#include "ui/components/FilledFieldStyle.h"
#include "ui/components/GrowingTextField.h"
#include "ui/components/Layouts.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/Symbols.h"
#include "ui/editor/ListenerDraft.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {
namespace {

constexpr int bodyLines = 4;
constexpr int soundLabelWidth = 60;
constexpr int soundPickerWidth = 160;
constexpr int previewMaximumWidth = 400;

} // namespace

NotificationFields::NotificationFields(QWidget* parent)
    : QWidget(parent), m_titleField(FilledFieldStyle::field(tr("Title"))), m_bodyField(new GrowingTextField(bodyLines)),
      m_filterField(FilledFieldStyle::field(tr("Filter"), tr("$.body.action  (empty = match all)"))),
      m_preview(new BannerPreview)
{
    m_bodyField->setAccessibleName(tr("Body"));
    for (QLineEdit* field : {m_titleField, m_filterField}) {
        connect(field, &QLineEdit::textChanged, this, &NotificationFields::edited);
    }
    connect(m_bodyField, &QPlainTextEdit::textChanged, this, &NotificationFields::edited);
    auto* hint = new StyledLabel(tr("JSONPath expression. Payload only fires when this resolves to a non-empty value."),
        Theme::TextStyle::caption2, Theme::Colour::tertiary);
    hint->setWordWrap(true);

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
        {StyledLabel::fieldTitle(tr("Filter"), m_filterField), Layouts::column({m_filterField, hint}, 4)}, 4));
    layout->addWidget(makeSoundRow());
    layout->addWidget(m_preview);
}

QWidget* NotificationFields::makeSoundRow()
{
    m_soundPicker = new QComboBox;
    m_soundPicker->addItems(ListenerDraft::soundNames());
    m_soundPicker->setFixedWidth(Theme::scaled(soundPickerWidth));
    m_soundPicker->setAccessibleName(tr("Sound"));
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

} // namespace corvane
