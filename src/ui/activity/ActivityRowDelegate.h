#pragma once

#include "ui/components/Theme.h"

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

protected:
    // The parts other rows of ActivityListModel share. The style's item background: alternating, hovered,
    // selected and focused as the view says.
    void paintBackground(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // A text colour, or the highlighted text of a selected row.
    static QColor textColour(const QStyleOptionViewItem& option, Theme::Colour colour);
    // The delivery glyph in `square`.
    static void paintDelivery(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index, const QRect& square);
};

} // namespace corvane
