#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

class QAbstractItemView;

namespace corvane {

// The one timer that keeps the relative times (RelativeTime::shortFrom) of one widget current. While the widget is
// visible and shows a moment, ticked() follows when the newest moment shown reaches its next whole second
// while it is under a minute old, and its next whole minute after that; ticked() also follows each time
// the widget is shown again. While the widget is hidden, or shows no moment, no timer runs.
class RelativeTimeTicker : public QObject {
    Q_OBJECT

public:
    // A child of `shown`, watching it being shown and hidden.
    explicit RelativeTimeTicker(QWidget* shown);
    // The newest moment shown is taken from the rows of `list` inside its viewport, each holding a QDateTime
    // in `momentRole`, and followed as the list scrolls, resizes and its model changes; the list keeps the
    // model it has.
    RelativeTimeTicker(QAbstractItemView* list, int momentRole);

    // The newest moment the widget shows; an invalid one, for none, stops the timer.
    void setNewest(const QDateTime& newest);
    bool isTicking() const { return m_timer.isActive(); }

signals:
    // The texts of the moments shown may have changed.
    void ticked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void schedule();
    void followRows();

    QWidget* m_shown;
    QAbstractItemView* m_list = nullptr;
    // The list's viewport, compared with what the filter sees without asking a list that may be going.
    QObject* m_viewport = nullptr;
    int m_momentRole = 0;
    QTimer m_timer;
    QDateTime m_newest;
};

} // namespace corvane
