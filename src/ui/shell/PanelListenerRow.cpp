#include "ui/shell/PanelListenerRow.h"

#include "ui/shell/CountBadge.h"
#include "ui/shell/StatusDot.h"

namespace corvane {

PanelListenerRow::PanelListenerRow(QWidget* parent)
    : PanelListenerRow(new StatusDot(7, 0, 0, 16), new CountBadge(0, CountBadge::compact), parent)
{
}

PanelListenerRow::PanelListenerRow(StatusDot* mark, CountBadge* badge, QWidget* parent)
    : MenuRow({{}, mark, {}, badge, {}, true}, parent), m_mark(mark), m_badge(badge)
{
}

void PanelListenerRow::showListener(const Listener& listener)
{
    m_listenerId = QString::fromStdString(listener.id);
    m_mark->setTint(listener.isEnabled ? Theme::Colour::green : Theme::Colour::secondary);
    setTitle(QString::fromStdString(listener.name));
    const qint64 undelivered = listener.undeliveredCount.value_or(0);
    m_badge->setCount(undelivered);
    m_badge->setVisible(undelivered >= 1);
}

} // namespace corvane
