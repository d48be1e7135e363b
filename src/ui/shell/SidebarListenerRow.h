#pragma once

#include "model/Listener.h"

#include <QWidget>

namespace corvane {

class CountBadge;
class StatusDot;
class StyledLabel;

// A listener in the sidebar: its enabled mark, its name and, from one upwards, its undelivered count.
// Shows another listener, or the same one changed, in place.
class SidebarListenerRow : public QWidget {
    Q_OBJECT

public:
    explicit SidebarListenerRow(QWidget* parent = nullptr);

    // Shows `listener` and returns the row's text for assistive technologies.
    QString showListener(const Listener& listener);

private:
    StatusDot* m_mark;
    StyledLabel* m_name;
    CountBadge* m_badge;
};

} // namespace corvane
