#include "ui/inspector/PayloadRow.h"

#include "ui/components/Symbols.h"
#include "ui/components/Theme.h"
#include "ui/inspector/PayloadTreeModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>

namespace corvane {

namespace {

constexpr qreal indentPerDepth = 12;
constexpr qreal chevronSlot = 10;
constexpr qreal chevronPixels = 9;
constexpr qreal spacing = 6;
constexpr qreal horizontalPadding = 8;
constexpr qreal verticalPadding = 3;
constexpr qreal rowGap = 1;
constexpr qreal chipSpacing = 4;
constexpr qreal chipHorizontalPadding = 6;
constexpr qreal chipVerticalPadding = 2;
constexpr qreal chipIconGap = 3;
constexpr qreal chipIconPixels = 10;
constexpr qreal chipRadius = 3;
constexpr qreal chipFillOpacity = 0.12;
constexpr qreal restingChipOpacity = 0.55;
constexpr qreal hoverRadius = 4;
constexpr qreal hoverOpacity = 0.08;
constexpr qreal focusBorderOpacity = 0.35;
// A long key leaves at least this share of the line to the value.
constexpr qreal keyShare = 0.6;

QFont textFont()
{
    return Theme::monospaced(Theme::font(Theme::TextStyle::caption));
}

QFont chipFont()
{
    return Theme::font(Theme::TextStyle::caption2, QFont::Medium);
}

QString titleLabel()
{
    return PayloadRow::tr("Title");
}

QString bodyLabel()
{
    return PayloadRow::tr("Body");
}

int chipHeight()
{
    return std::max(Theme::symbolSize(chipIconPixels), Theme::lineHeight(chipFont()))
        + 2 * Theme::scaled(chipVerticalPadding);
}

int chipWidth(const QString& label)
{
    return 2 * Theme::scaled(chipHorizontalPadding) + Theme::symbolSize(chipIconPixels) + Theme::scaled(chipIconGap)
        + QFontMetrics(chipFont()).horizontalAdvance(label);
}

} // namespace

PayloadRow::PayloadRow(QObject* parent) : QStyledItemDelegate(parent)
{
}

int PayloadRow::indentation(int depth)
{
    return depth <= 0 ? 0 : Theme::scaled(indentPerDepth * depth);
}

int PayloadRow::rowHeight()
{
    const int line = std::max(Theme::lineHeight(textFont()), chipHeight());
    return line + 2 * Theme::scaled(verticalPadding) + Theme::scaled(rowGap);
}

PayloadRow::Layout PayloadRow::layout(
    const QRect& rowRect, const QString& key, const QString& value, int depth, bool container)
{
    Layout result;
    result.background = rowRect.adjusted(0, 0, 0, -Theme::scaled(rowGap));
    const QRect content = result.background.adjusted(Theme::scaled(horizontalPadding), Theme::scaled(verticalPadding),
        -Theme::scaled(horizontalPadding), -Theme::scaled(verticalPadding));
    const int gap = Theme::scaled(spacing);
    int x = content.left() + indentation(depth);
    result.chevron = QRect(x, content.top(), Theme::scaled(chevronSlot), content.height());
    x = result.chevron.right() + 1 + gap;

    const QFontMetrics metrics(textFont());
    const int chipsWidth
        = container ? 0 : gap + chipWidth(titleLabel()) + Theme::scaled(chipSpacing) + chipWidth(bodyLabel());
    const int available = std::max(0, content.right() + 1 - x - chipsWidth);
    const int keyLimit = value.isEmpty() ? available : static_cast<int>(available * keyShare);
    result.keyText = metrics.elidedText(key, Qt::ElideRight, keyLimit);
    const int keyWidth = metrics.horizontalAdvance(result.keyText);
    result.key = QRect(x, content.top(), keyWidth, content.height());
    x += keyWidth + gap;

    const int valueLimit = std::max(0, content.right() + 1 - x - chipsWidth);
    // The font is monospaced, so only the characters that can fit are measured: a value can be a whole
    // request body.
    const qsizetype fitting = valueLimit / std::max(1, metrics.averageCharWidth()) + 2;
    result.valueText = metrics.elidedText(value.left(fitting), Qt::ElideRight, valueLimit);
    const int valueWidth = metrics.horizontalAdvance(result.valueText);
    result.value = QRect(x, content.top(), valueWidth, content.height());
    if (container) {
        return result;
    }
    x = (valueWidth > 0 ? result.value.right() + 1 : result.key.right() + 1) + gap;
    const int height = chipHeight();
    const int top = content.top() + (content.height() - height) / 2;
    result.titleChip = QRect(x, top, chipWidth(titleLabel()), height);
    result.bodyChip
        = QRect(result.titleChip.right() + 1 + Theme::scaled(chipSpacing), top, chipWidth(bodyLabel()), height);
    return result;
}

PayloadRow::Layout PayloadRow::layout(const QRect& rowRect, const QModelIndex& index)
{
    return layout(rowRect, index.data(PayloadTreeModel::keyRole).toString(), index.data(Qt::DisplayRole).toString(),
        index.data(PayloadTreeModel::depthRole).toInt(), index.data(PayloadTreeModel::containerRole).toBool());
}

void PayloadRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const Layout parts = layout(option.rect, index);
    const QPalette& palette = option.palette;
    const QColor accent = Theme::colour(Theme::Colour::accent, palette);
    const bool hovered = option.state.testFlag(QStyle::State_MouseOver);
    const bool focused = option.state.testFlag(QStyle::State_HasFocus);
    const qreal devicePixelRatio = painter->device()->devicePixelRatioF();

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (hovered || focused) {
        const qreal radius = Theme::scaled(hoverRadius);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(parts.background).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        painter->fillPath(shape, Theme::withOpacity(accent, hoverOpacity));
        if (focused) {
            painter->setPen(QPen(Theme::withOpacity(accent, focusBorderOpacity), 1));
            painter->drawPath(shape);
        }
    }
    if (index.data(PayloadTreeModel::containerRole).toBool()) {
        const int size = Theme::scaled(chevronPixels);
        const QPixmap chevron = Symbols::pixmap(
            QStringLiteral("chevron.down"), size, Theme::colour(Theme::Colour::tertiary, palette), devicePixelRatio);
        const QRect target(0, 0, size, size);
        painter->drawPixmap(target.translated(parts.chevron.center() - target.center()), chevron);
    }
    painter->setFont(textFont());
    painter->setPen(Theme::colour(Theme::Colour::secondary, palette));
    painter->drawText(parts.key, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, parts.keyText);
    painter->setPen(Theme::colour(Theme::Colour::primary, palette));
    painter->drawText(parts.value, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, parts.valueText);
    if (!parts.titleChip.isEmpty()) {
        painter->setOpacity(hovered ? 1.0 : restingChipOpacity);
        paintChip(painter, parts.titleChip, QStringLiteral("t.square"), titleLabel(), accent, devicePixelRatio);
        paintChip(painter, parts.bodyChip, QStringLiteral("b.square"), bodyLabel(), accent, devicePixelRatio);
    }
    painter->restore();
}

void PayloadRow::paintChip(QPainter* painter, const QRect& rect, const QString& symbol, const QString& label,
    const QColor& accent, qreal devicePixelRatio)
{
    const qreal radius = Theme::scaled(chipRadius);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect), radius, radius);
    painter->fillPath(shape, Theme::withOpacity(accent, chipFillOpacity));
    const int iconSize = Theme::symbolSize(chipIconPixels);
    const int left = rect.left() + Theme::scaled(chipHorizontalPadding);
    const QRect icon(left, rect.top() + (rect.height() - iconSize) / 2, iconSize, iconSize);
    painter->drawPixmap(icon, Symbols::pixmap(symbol, iconSize, accent, devicePixelRatio));
    QRect text = rect;
    text.setLeft(icon.right() + 1 + Theme::scaled(chipIconGap));
    painter->setFont(chipFont());
    painter->setPen(accent);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, label);
}

QSize PayloadRow::sizeHint(const QStyleOptionViewItem& /*option*/, const QModelIndex& /*index*/) const
{
    return {0, rowHeight()};
}

PayloadRow::Chip PayloadRow::chipAt(const Layout& layout, const QPoint& position)
{
    if (layout.titleChip.contains(position)) {
        return Chip::title;
    }
    if (layout.bodyChip.contains(position)) {
        return Chip::body;
    }
    return Chip::none;
}

bool PayloadRow::editorEvent(
    QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) {
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const Chip chip = mouse->button() == Qt::LeftButton
        ? chipAt(layout(option.rect, index), mouse->position().toPoint())
        : Chip::none;
    if (type != QEvent::MouseButtonRelease) {
        m_pressedChip = chip;
        m_pressedIndex = index;
        // A press on a chip neither selects nor moves the current row.
        return chip != Chip::none || QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    const bool clicked = chip != Chip::none && chip == m_pressedChip && m_pressedIndex == index;
    m_pressedChip = Chip::none;
    m_pressedIndex = QPersistentModelIndex();
    if (!clicked) {
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    const QString path = index.data(PayloadTreeModel::pathRole).toString();
    if (chip == Chip::title) {
        emit addToTitleRequested(path);
    } else {
        emit addToBodyRequested(path);
    }
    return true;
}

bool PayloadRow::helpEvent(
    QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip || !index.isValid()) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    const Layout parts = layout(option.rect, index);
    QString text;
    switch (chipAt(parts, event->pos())) {
    case Chip::title:
        text = tr("Map to Title");
        break;
    case Chip::body:
        text = tr("Map to Body");
        break;
    case Chip::none:
        // A value cut short shows in full.
        if (parts.value.contains(event->pos())) {
            const QString value = index.data(Qt::DisplayRole).toString();
            if (parts.valueText != value) {
                text = value;
            }
        }
        break;
    }
    if (text.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), text, view->viewport(), parts.background);
    return true;
}

} // namespace corvane
