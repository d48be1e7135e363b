#pragma once

#include <QObject>

class QAbstractScrollArea;

namespace corvane {

// Lets a view that scrolls inside a scrolling page pass the mouse wheel on: a turn that would not move
// the view (it is at its end in that direction, has nothing to scroll, or has its scroll bar that way
// switched off) scrolls the nearest enclosing scroll area instead, so the view never traps the wheel.
class WheelHandoff : public QObject {
    Q_OBJECT

public:
    // Watches the wheel over `view`'s viewport; `view` owns the handoff.
    static void install(QAbstractScrollArea* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WheelHandoff(QAbstractScrollArea* view);

    QAbstractScrollArea* m_view;
};

} // namespace corvane
