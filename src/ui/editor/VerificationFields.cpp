#include "ui/editor/VerificationFields.h"

#include "ui/components/FilledFieldStyle.h"
#include "ui/components/Layouts.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/ToggleSwitch.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace corvane {
namespace {

constexpr int pickerWidth = 200;

QComboBox* picker(const QString& accessibleName, const QList<std::pair<QString, QString>>& choices)
{
    auto* box = new QComboBox;
    for (const auto& [title, value] : choices) {
        box->addItem(title, value);
    }
    box->setAccessibleName(accessibleName);
    return box;
}

QComboBox* makeSchemePicker()
{
    return picker(VerificationFields::tr("Verification scheme"),
        {
            {VerificationFields::tr("None"), {}},
            {VerificationFields::tr("GitHub"), QStringLiteral("github")},
            {VerificationFields::tr("Stripe"), QStringLiteral("stripe")},
            {VerificationFields::tr("Standard Webhooks"), QStringLiteral("standard")},
            {VerificationFields::tr("Slack"), QStringLiteral("slack")},
            {VerificationFields::tr("Custom HMAC"), QStringLiteral("hmac")},
        });
}

void choose(QComboBox* box, const QString& value)
{
    if (box->findData(value) < 0) {
        box->addItem(value, value);
    }
    box->setCurrentIndex(box->findData(value));
}

} // namespace

VerificationFields::VerificationFields(QWidget* parent)
    : QWidget(parent), m_schemePicker(makeSchemePicker()),
      m_helpLabel(new StyledLabel({}, Theme::TextStyle::caption2, Theme::Colour::tertiary)),
      m_secretField(FilledFieldStyle::field(tr("Signing secret"))), m_rejectSwitch(new ToggleSwitch),
      m_headerField(FilledFieldStyle::field(tr("Signature header"), QStringLiteral("X-Signature"))),
      m_algorithmPicker(picker(tr("Algorithm"),
          {{QStringLiteral("SHA-256"), QStringLiteral("sha256")}, {QStringLiteral("SHA-1"), QStringLiteral("sha1")}})),
      m_encodingPicker(
          picker(tr("Encoding"), {{tr("Hex"), QStringLiteral("hex")}, {tr("Base64"), QStringLiteral("base64")}})),
      m_prefixField(FilledFieldStyle::field(tr("Signature prefix"), QStringLiteral("sha256="))),
      m_problemLabel(new StyledLabel({}, Theme::TextStyle::caption, Theme::Colour::red))
{
    m_schemePicker->setFixedWidth(Theme::scaled(pickerWidth));
    m_helpLabel->setWordWrap(true);
    m_secretField->setEchoMode(QLineEdit::Password);
    m_rejectSwitch->setAccessibleName(tr("Reject unsigned requests"));
    m_problemLabel->setWordWrap(true);
    m_problemLabel->hide();

    auto* rejectTitle = StyledLabel::fieldTitle(tr("Reject unsigned requests"), m_rejectSwitch);
    auto* rejectHint = new StyledLabel(
        tr("Otherwise they are delivered, marked as unverified."), Theme::TextStyle::caption2, Theme::Colour::tertiary);
    auto* rejectRow = new QHBoxLayout;
    rejectRow->setSpacing(Theme::scaled(8));
    rejectRow->addWidget(Layouts::column({rejectTitle, rejectHint}, 2), 1);
    rejectRow->addWidget(m_rejectSwitch, 0, Qt::AlignVCenter);

    m_hmacRows = new QWidget;
    auto* hmac = new QGridLayout(m_hmacRows);
    hmac->setContentsMargins(0, 0, 0, 0);
    hmac->setHorizontalSpacing(Theme::scaled(10));
    hmac->setVerticalSpacing(Theme::scaled(4));
    hmac->addWidget(StyledLabel::fieldTitle(tr("Header"), m_headerField), 0, 0);
    hmac->addWidget(StyledLabel::fieldTitle(tr("Prefix"), m_prefixField), 0, 1);
    hmac->addWidget(m_headerField, 1, 0);
    hmac->addWidget(m_prefixField, 1, 1);
    hmac->addWidget(StyledLabel::fieldTitle(tr("Algorithm"), m_algorithmPicker), 2, 0);
    hmac->addWidget(StyledLabel::fieldTitle(tr("Encoding"), m_encodingPicker), 2, 1);
    hmac->addWidget(m_algorithmPicker, 3, 0);
    hmac->addWidget(m_encodingPicker, 3, 1);

    m_checkedRows = new QWidget;
    auto* checked = new QVBoxLayout(m_checkedRows);
    checked->setContentsMargins(0, 0, 0, 0);
    checked->setSpacing(Theme::scaled(10));
    checked->addWidget(Layouts::column({StyledLabel::fieldTitle(tr("Secret"), m_secretField), m_secretField}, 4));
    checked->addWidget(m_hmacRows);
    checked->addLayout(rejectRow);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(10));
    layout->addWidget(Layouts::column(
        {StyledLabel::fieldTitle(tr("Scheme"), m_schemePicker), Layouts::column({m_schemePicker, m_helpLabel}, 4)}, 4));
    layout->addWidget(m_checkedRows);
    layout->addWidget(m_problemLabel);

    connect(m_schemePicker, &QComboBox::currentIndexChanged, this, &VerificationFields::showScheme);
    for (QComboBox* box : {m_schemePicker, m_algorithmPicker, m_encodingPicker}) {
        connect(box, &QComboBox::currentIndexChanged, this, &VerificationFields::edited);
    }
    for (QLineEdit* field : {m_secretField, m_headerField, m_prefixField}) {
        connect(field, &QLineEdit::textChanged, this, &VerificationFields::edited);
    }
    connect(m_rejectSwitch, &ToggleSwitch::toggled, this, &VerificationFields::edited);
    showScheme();
}

QList<QWidget*> VerificationFields::focusOrder() const
{
    return {m_schemePicker, m_secretField, m_headerField, m_prefixField, m_algorithmPicker, m_encodingPicker,
        m_rejectSwitch};
}

void VerificationFields::showDraft(const VerificationDraft& draft)
{
    choose(m_schemePicker, draft.scheme);
    if (m_secretField->text() != draft.secret) {
        m_secretField->setText(draft.secret);
    }
    m_rejectSwitch->setChecked(draft.rejectsUnsigned);
    m_headerField->setText(draft.header);
    choose(m_algorithmPicker, draft.algorithm);
    choose(m_encodingPicker, draft.encoding);
    m_prefixField->setText(draft.prefix);
}

VerificationDraft VerificationFields::draft() const
{
    return {
        .scheme = m_schemePicker->currentData().toString(),
        .secret = m_secretField->text(),
        .rejectsUnsigned = m_rejectSwitch->isChecked(),
        .header = m_headerField->text(),
        .algorithm = m_algorithmPicker->currentData().toString(),
        .encoding = m_encodingPicker->currentData().toString(),
        .prefix = m_prefixField->text(),
    };
}

void VerificationFields::showState(bool secretStored, const QString& problem)
{
    m_secretField->setPlaceholderText(secretStored ? tr("Secret set — type to replace") : tr("Signing secret"));
    m_problemLabel->setText(problem);
    m_problemLabel->setVisible(!problem.isEmpty());
}

void VerificationFields::showScheme()
{
    const QString scheme = m_schemePicker->currentData().toString();
    QString help;
    if (scheme.isEmpty()) {
        help = tr("Requests are delivered without checking who sent them.");
    } else if (scheme == QStringLiteral("github")) {
        help = tr("Checks X-Hub-Signature-256.");
    } else if (scheme == QStringLiteral("stripe")) {
        help = tr("Checks Stripe-Signature.");
    } else if (scheme == QStringLiteral("standard")) {
        help = tr("Checks webhook-id, webhook-timestamp and webhook-signature.");
    } else if (scheme == QStringLiteral("slack")) {
        help = tr("Checks X-Slack-Request-Timestamp and X-Slack-Signature.");
    } else if (scheme == QStringLiteral("hmac")) {
        help = tr("Checks the header named below: the prefix, then the HMAC of the raw body.");
    }
    m_helpLabel->setText(help);
    m_checkedRows->setVisible(!scheme.isEmpty());
    m_hmacRows->setVisible(scheme == QStringLiteral("hmac"));
}

} // namespace corvane
