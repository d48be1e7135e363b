#pragma once

#include "model/Listener.h"
#include "ui/shell/MenuRow.h"

namespace corvane {

class CountBadge;
class StatusDot;

// A listener in the tray panel: its enabled mark, its name, its undelivered count from one upwards and
// a chevron. Shows another listener, or the same one changed, in place.
class PanelListenerRow : public MenuRow {
    Q_OBJECT

public:
    explicit PanelListenerRow(QWidget* parent = nullptr);

    void showListener(const Listener& listener);
    const QString& listenerId() const { return m_listenerId; }

private:
    PanelListenerRow(StatusDot* mark, CountBadge* badge, QWidget* parent);

    StatusDot* m_mark;
    CountBadge* m_badge;
    QString m_listenerId;
};

} // namespace corvane
