#include "ui/wizard/NameStep.h"

#include "ui/components/Card.h"
#include "ui/components/Clipboard.h"
#include "ui/components/FilledFieldStyle.h"
#include "ui/components/Layouts.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/TransientConfirmation.h"
#include "ui/wizard/UrlField.h"
#include "ui/wizard/WizardControls.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {
namespace {

constexpr int spacing = 16;

} // namespace

NameStep::NameStep(const QString& name, const std::optional<QString>& hookURL, QWidget* parent)
    : QWidget(parent), m_nameField(new QLineEdit(name))
{
    m_nameField->setPlaceholderText(tr("e.g. GitHub repo"));
    m_nameField->setAccessibleName(tr("Name"));
    FilledFieldStyle::apply(m_nameField);
    connect(m_nameField, &QLineEdit::textChanged, this, &NameStep::nameChanged);
    QList<QWidget*> items{new Card(tr("Name"), m_nameField)};

    if (hookURL) {
        items << makeEndpointCard(*hookURL);
        m_continueButton
            = WizardControls::prominentButton(tr("Continue — wait for first request"), QStringLiteral("arrow.right"));
        connect(m_continueButton, &QPushButton::clicked, this, &NameStep::continueRequested);
        m_skipButton = WizardControls::borderedButton(tr("Skip — configure manually"));
        connect(m_skipButton, &QPushButton::clicked, this, &NameStep::skipRequested);
        items << WizardControls::row({m_continueButton, m_skipButton});
    } else {
        // Typing replaces the suggested name.
        m_nameField->selectAll();
        m_createButton = WizardControls::prominentButton(tr("Create listener"), QStringLiteral("plus"));
        connect(m_createButton, &QPushButton::clicked, this, &NameStep::createRequested);
        connect(m_nameField, &QLineEdit::returnPressed, this, [this] {
            if (m_createButton->isEnabled()) {
                emit createRequested();
            }
        });
        items << WizardControls::row({m_createButton});
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Layouts::column(items, spacing));
}

void NameStep::setCreateEnabled(bool enabled)
{
    if (m_createButton != nullptr) {
        m_createButton->setEnabled(enabled);
    }
}

QWidget* NameStep::focusTarget() const
{
    return m_continueButton != nullptr ? static_cast<QWidget*>(m_continueButton) : m_nameField;
}

QWidget* NameStep::makeEndpointCard(const QString& hookURL)
{
    m_urlField = new UrlField(hookURL);
    m_urlField->setAccessibleName(tr("Endpoint URL"));
    auto* copy = WizardControls::borderedButton({}, QStringLiteral("doc.on.doc"));
    copy->setToolTip(tr("Copy URL"));
    copy->setAccessibleName(tr("Copy URL"));
    auto* copied = new TransientConfirmation(tr("Copied"));
    copied->setObjectName(QStringLiteral("copiedConfirmation"));
    connect(copy, &QPushButton::clicked, this, [hookURL, copied] {
        Clipboard::copyText(hookURL);
        copied->confirm();
    });

    auto* content = new QWidget;
    auto* urlRow = new QHBoxLayout;
    urlRow->setSpacing(Theme::scaled(8));
    urlRow->addWidget(m_urlField, 1);
    urlRow->addWidget(copy);
    auto* caption = new QHBoxLayout;
    caption->addWidget(new StyledLabel(
        tr("Anyone with this URL can post to it."), Theme::TextStyle::caption2, Theme::Colour::tertiary));
    caption->addStretch(1);
    caption->addWidget(copied);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(8));
    layout->addLayout(urlRow);
    layout->addLayout(caption);
    return new Card(tr("Endpoint URL"), content);
}

} // namespace corvane
