#include "ui/editor/RecentPayloadDelegate.h"

#include "ui/activity/ActivityListModel.h"
#include "ui/components/Symbols.h"

#include <QPainter>

#include <algorithm>

namespace corvane {
namespace {

struct Fonts {
    QFont text = Theme::monospaced(Theme::font(Theme::TextStyle::caption));
    QFont time = Theme::font(Theme::TextStyle::caption2);
};

int symbolSide()
{
    return Theme::symbolSize(Theme::pixelSize(Theme::TextStyle::caption));
}

int verticalPadding()
{
    return Theme::scaled(5);
}

} // namespace

void RecentPayloadDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    paintBackground(painter, option, index);
    const Fonts fonts;
    const int gap = Theme::scaled(8);
    const QRect area = option.rect.adjusted(gap, verticalPadding(), -gap, -verticalPadding());
    const int side = symbolSide();
    const int line = Theme::lineHeight(fonts.text);
    const int lineTop = area.center().y() - line / 2;
    const int symbolTop = area.center().y() - side / 2;

    paintDelivery(painter, option, index, QRect(area.left(), symbolTop, side, side));
    const QPixmap chevron = Symbols::pixmap(QStringLiteral("chevron.right"), side,
        textColour(option, Theme::Colour::tertiary), painter->device()->devicePixelRatioF());
    painter->drawPixmap(QPoint(area.right() + 1 - side, symbolTop), chevron);

    const QString age = index.data(ActivityListModel::ageRole).toString();
    const int ageWidth = QFontMetrics(fonts.time).horizontalAdvance(age);
    const int ageRight = area.right() + 1 - side - gap;
    painter->setFont(fonts.time);
    painter->setPen(textColour(option, Theme::Colour::tertiary));
    painter->drawText(QRect(ageRight - ageWidth, lineTop, ageWidth, line),
        Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, age);

    const QFontMetrics metrics(fonts.text);
    const QString method = index.data(ActivityListModel::methodRole).toString();
    const int methodLeft = area.left() + side + gap;
    const int methodWidth = metrics.horizontalAdvance(method);
    painter->setFont(fonts.text);
    painter->setPen(textColour(option, Theme::Colour::secondary));
    painter->drawText(QRect(methodLeft, lineTop, methodWidth, line), Qt::AlignLeft | Qt::AlignVCenter, method);

    const int summaryLeft = methodLeft + methodWidth + gap;
    const int summaryWidth = std::max(0, ageRight - ageWidth - gap - summaryLeft);
    const QString summary
        = metrics.elidedText(index.data(ActivityListModel::summaryRole).toString(), Qt::ElideRight, summaryWidth);
    painter->setPen(textColour(option, Theme::Colour::primary));
    painter->drawText(QRect(summaryLeft, lineTop, summaryWidth, line), Qt::AlignLeft | Qt::AlignVCenter, summary);
}

QSize RecentPayloadDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& /*index*/) const
{
    return {option.rect.width(), std::max(Theme::lineHeight(Fonts().text), symbolSide()) + 2 * verticalPadding()};
}

} // namespace corvane
