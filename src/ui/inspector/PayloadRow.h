#pragma once

#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

namespace corvane {

// Paints one row of a payload tree: indentation by depth, a chevron for containers, the key, the
// value on one line elided at the tail, and on scalar rows the two chips "Title" and "Body" that hand
// the row's path to the owner. A hovered row gets a tinted background and fully opaque chips; the
// chips stay visible and clickable at reduced opacity otherwise. Reads the row from the model roles
// of PayloadTreeModel.
class PayloadRow : public QStyledItemDelegate {
    Q_OBJECT

public:
    // Where the parts of one row go inside the row's rectangle, and the texts as they fit.
    struct Layout {
        QRect background;
        QRect chevron;
        QRect key;
        QRect value;
        QString keyText;
        QString valueText;
        QRect titleChip; // empty on container rows
        QRect bodyChip; // empty on container rows
    };

    explicit PayloadRow(QObject* parent = nullptr);

    static Layout layout(const QRect& rowRect, const QString& key, const QString& value, int depth, bool container);
    static Layout layout(const QRect& rowRect, const QModelIndex& index);
    // The empty space before a row's chevron slot.
    static int indentation(int depth);
    // Every row has this height: the views show thousands of rows with uniform item sizes.
    static int rowHeight();

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

signals:
    void addToTitleRequested(const QString& path);
    void addToBodyRequested(const QString& path);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

private:
    enum class Chip { none, title, body };

    static Chip chipAt(const Layout& layout, const QPoint& position);
    static void paintChip(QPainter* painter, const QRect& rect, const QString& symbol, const QString& label,
        const QColor& accent, qreal devicePixelRatio);

    Chip m_pressedChip = Chip::none;
    QPersistentModelIndex m_pressedIndex;
};

} // namespace corvane
