#pragma once

#include <QStyledItemDelegate>

namespace corvane {

// Paints one activity row: the delivery glyph (a green check once delivered, else an orange dotted
// circle), the listener's name (followed by a green shield when the sender's signature was verified)
// and the event's short age on the first line, the one-line summary in monospace on the second.
class ActivityRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace corvane
