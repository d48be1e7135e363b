#include "ui/preferences/LoginItemRow.h"

#include "ui/components/StyledLabel.h"
#include "ui/components/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace corvane {

LoginItemRow::LoginItemRow(std::unique_ptr<LoginItem> loginItem, QWidget* parent)
    : QWidget(parent), m_loginItem(std::move(loginItem)), m_switch(new ToggleSwitch),
      m_status(new StyledLabel({}, Theme::TextStyle::caption2, Theme::Colour::tertiary)),
      m_error(new StyledLabel({}, Theme::TextStyle::caption, Theme::Colour::red))
{
    auto* title = StyledLabel::fieldTitle(tr("Open at login"));
    title->setBuddy(m_switch);
    auto* label = new QVBoxLayout;
    label->setSpacing(Theme::scaled(2));
    label->addWidget(title);
    label->addWidget(m_status);

    auto* row = new QHBoxLayout;
    row->setSpacing(Theme::scaled(8));
    row->addLayout(label, 1);
    row->addWidget(m_switch, 0, Qt::AlignVCenter);

    m_error->setWordWrap(true);
    m_error->setSelectable();
    m_error->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(6));
    layout->addLayout(row);
    layout->addWidget(m_error);

    m_switch->setAccessibleName(tr("Open at login"));
    showStatus();
    // toggled, not clicked: assistive technology toggles the switch without a click.
    connect(m_switch, &ToggleSwitch::toggled, this, [this](bool on) {
        if (!m_showing) {
            setOpenAtLogin(on);
        }
    });
}

LoginItemRow::~LoginItemRow() = default;

QString LoginItemRow::statusText(LoginItem::Status status)
{
    switch (status) {
    case LoginItem::Status::notRegistered:
        return tr("Not set to open at login");
    case LoginItem::Status::enabled:
        return tr("Opens automatically at login");
    case LoginItem::Status::requiresApproval:
        return tr("Pending approval — open your desktop's autostart settings");
    case LoginItem::Status::notFound:
        return tr("Login item registration unavailable");
    }
    return tr("Unknown");
}

void LoginItemRow::showEvent(QShowEvent* event)
{
    showStatus();
    QWidget::showEvent(event);
}

void LoginItemRow::setOpenAtLogin(bool on)
{
    m_error->clear();
    m_error->hide();
    if (const auto changed = m_loginItem->setEnabled(on); !changed) {
        m_error->setText(changed.error());
        m_error->show();
    }
    showStatus();
}

void LoginItemRow::showStatus()
{
    const LoginItem::Status status = m_loginItem->status();
    m_showing = true;
    m_switch->setChecked(status == LoginItem::Status::enabled);
    m_showing = false;
    m_status->setText(statusText(status));
    m_switch->setAccessibleDescription(m_status->text());
}

} // namespace corvane
