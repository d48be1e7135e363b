#include "ui/editor/ListenerHeader.h"

#include "ui/components/StyledLabel.h"
#include "ui/components/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace corvane {

ListenerHeader::ListenerHeader(QWidget* parent)
    : QWidget(parent), m_nameField(new QLineEdit),
      m_unsavedLabel(new StyledLabel(tr("Unsaved changes"), Theme::TextStyle::callout, Theme::Colour::orange)),
      m_enabledLabel(new StyledLabel({}, Theme::TextStyle::callout, Theme::Colour::secondary)),
      m_enabledSwitch(new ToggleSwitch)
{
    m_nameField->setFrame(false);
    m_nameField->setFont(Theme::systemFont(22, QFont::DemiBold));
    m_nameField->setPlaceholderText(tr("Listener name"));
    m_nameField->setAccessibleName(tr("Listener name"));
    QPalette colours;
    colours.setColor(QPalette::Base, Qt::transparent);
    m_nameField->setPalette(colours);
    connect(m_nameField, &QLineEdit::textChanged, this, &ListenerHeader::edited);

    // Showing and hiding the notice does not move the rest of the screen.
    QSizePolicy keepsRoom = m_unsavedLabel->sizePolicy();
    keepsRoom.setRetainSizeWhenHidden(true);
    m_unsavedLabel->setSizePolicy(keepsRoom);
    m_unsavedLabel->hide();
    // In line with the name, which a line edit insets by 2 px.
    m_unsavedLabel->setContentsMargins(2, 0, 0, 0);

    m_enabledSwitch->setAccessibleName(tr("Enabled"));
    connect(m_enabledSwitch, &ToggleSwitch::toggled, this, &ListenerHeader::showEnabled);
    connect(m_enabledSwitch, &ToggleSwitch::toggled, this, &ListenerHeader::edited);
    showEnabled();

    // The switch and its label sit on the middle of the name's line.
    auto* enabledRow = new QWidget;
    auto* enabled = new QHBoxLayout(enabledRow);
    enabled->setContentsMargins(0, 0, 0, 0);
    enabled->setSpacing(Theme::scaled(8));
    enabled->addWidget(m_enabledLabel, 0, Qt::AlignVCenter);
    enabled->addWidget(m_enabledSwitch, 0, Qt::AlignVCenter);
    enabledRow->setFixedHeight(m_nameField->sizeHint().height());

    auto* names = new QVBoxLayout;
    names->setSpacing(Theme::scaled(2));
    names->addWidget(m_nameField);
    names->addWidget(m_unsavedLabel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(Theme::scaled(24), Theme::scaled(20), Theme::scaled(24), Theme::scaled(16));
    layout->setSpacing(Theme::scaled(8));
    layout->addLayout(names, 1);
    layout->addWidget(enabledRow, 0, Qt::AlignTop);
}

void ListenerHeader::showEnabled()
{
    m_enabledLabel->setText(m_enabledSwitch->isChecked() ? tr("Enabled") : tr("Disabled"));
}

} // namespace corvane
