#pragma once

#include "ui/activity/ActivityRowDelegate.h"

namespace corvane {

// Paints one row of a listener's recent payloads (ActivityListModel) on one line: the delivery glyph,
// the method, the summary elided at its tail, the age and a chevron that says the row opens.
class RecentPayloadDelegate : public ActivityRowDelegate {
    Q_OBJECT

public:
    using ActivityRowDelegate::ActivityRowDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace corvane
