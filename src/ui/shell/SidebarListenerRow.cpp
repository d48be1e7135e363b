#include "ui/shell/SidebarListenerRow.h"

#include "ui/components/StyledLabel.h"
#include "ui/shell/CountBadge.h"
#include "ui/shell/StatusDot.h"

#include <QHBoxLayout>

namespace corvane {

SidebarListenerRow::SidebarListenerRow(QWidget* parent)
    : QWidget(parent), m_mark(new StatusDot(6, 18, 0.18, 0, this)),
      m_name(new StyledLabel({}, Theme::TextStyle::body, Theme::Colour::primary, this)),
      m_badge(new CountBadge(0, CountBadge::accented, this))
{
    auto* layout = new QHBoxLayout(this);
    const int vertical = Theme::scaled(5) + 1;
    layout->setContentsMargins(Theme::scaled(8), vertical, Theme::scaled(8), vertical);
    layout->setSpacing(10);
    m_name->setMaximumLines(1);
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_mark);
    layout->addWidget(m_name, 1);
    layout->addSpacing(4);
    layout->addWidget(m_badge);
}

QString SidebarListenerRow::showListener(const Listener& listener)
{
    m_mark->setHaloOpacity(listener.isEnabled ? 0.18 : 0.15);
    m_mark->setTint(listener.isEnabled ? Theme::Colour::green : Theme::Colour::secondary);
    const QString name = QString::fromStdString(listener.name);
    m_name->setText(name);
    QString text = name + (listener.isEnabled ? QString() : tr(", disabled"));
    const qint64 undelivered = listener.undeliveredCount.value_or(0);
    m_badge->setCount(undelivered);
    m_badge->setVisible(undelivered >= 1);
    if (undelivered >= 1) {
        text += tr(", %1 undelivered").arg(undelivered);
    }
    return text;
}

} // namespace corvane
