#pragma once

#include "model/Payload.h"

#include <QListView>

#include <vector>

namespace corvane {

class ActivityListModel;

// A listener's recent payloads, newest first, one line each (RecentPayloadDelegate), as tall as its rows:
// it follows a new list in place, so the selection, the keyboard focus and the scroll position of what
// holds it stay, and its ages tick while it is shown. Tab reaches it and the arrows move through it; a
// click, Return, Enter or Space opens the current row.
class RecentPayloadList : public QListView {
    Q_OBJECT

public:
    // `payloads` is read again by every refresh() and must outlive the list.
    explicit RecentPayloadList(const std::vector<Payload>& payloads, QWidget* parent = nullptr);

    // Follows a change of the payloads.
    void refresh();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // The row of the payload with this id was opened.
    void opened(const QString& id);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ActivityListModel* m_model;
};

} // namespace corvane
