#include "ui/activity/ActivityRowDelegate.h"

#include "ui/activity/ActivityListModel.h"
#include "ui/components/Symbols.h"
#include "ui/components/Theme.h"

#include <QApplication>
#include <QPainter>

namespace corvane {
namespace {

constexpr qreal glyphPixels = 14;
constexpr qreal namePixels = 12;
constexpr qreal shieldPixels = 11;

struct Fonts {
    QFont name = Theme::systemFont(namePixels, QFont::DemiBold);
    QFont time = Theme::font(Theme::TextStyle::caption2);
    QFont summary = Theme::monospaced(Theme::font(Theme::TextStyle::caption));
};

int padding()
{
    return Theme::scaled(4);
}

int horizontalPadding()
{
    return Theme::scaled(10);
}

} // namespace

void ActivityRowDelegate::paintBackground(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = {};
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
}

QColor ActivityRowDelegate::textColour(const QStyleOptionViewItem& option, Theme::Colour colour)
{
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    return selected ? option.palette.color(QPalette::HighlightedText) : Theme::colour(colour, option.palette);
}

void ActivityRowDelegate::paintDelivery(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index, const QRect& square)
{
    const bool delivered = index.data(ActivityListModel::deliveredRole).toBool();
    const QColor colour = Theme::colour(delivered ? Theme::Colour::green : Theme::Colour::orange, option.palette);
    painter->drawPixmap(square.topLeft(),
        Symbols::pixmap(delivered ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle.dotted"),
            square.width(), colour, painter->device()->devicePixelRatioF()));
}

void ActivityRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    paintBackground(painter, option, index);
    const auto tinted = [&option](Theme::Colour colour) { return textColour(option, colour); };

    const Fonts fonts;
    const QRect area = option.rect.adjusted(horizontalPadding(), padding(), -horizontalPadding(), -padding());
    const int glyph = Theme::symbolSize(glyphPixels);
    paintDelivery(painter, option, index, QRect(area.left(), area.center().y() - glyph / 2, glyph, glyph));

    const QFontMetrics nameMetrics(fonts.name);
    const QFontMetrics timeMetrics(fonts.time);
    const QFontMetrics summaryMetrics(fonts.summary);
    const int nameLine = Theme::lineHeight(fonts.name);
    const int summaryLine = Theme::lineHeight(fonts.summary);
    const int left = area.left() + glyph + Theme::scaled(10);
    const int width = area.right() - left;
    const int textHeight = nameLine + Theme::scaled(2) + summaryLine;
    const int top = area.center().y() - textHeight / 2;

    const QString time = index.data(ActivityListModel::ageRole).toString();
    const int timeWidth = timeMetrics.horizontalAdvance(time);
    painter->setFont(fonts.time);
    painter->setPen(tinted(Theme::Colour::tertiary));
    painter->drawText(
        QRect(area.right() - timeWidth, top, timeWidth, nameLine), Qt::AlignRight | Qt::AlignVCenter, time);

    const bool verified = index.data(ActivityListModel::verifiedRole).toBool();
    const int shield = Theme::symbolSize(shieldPixels);
    const int shieldRoom = verified ? shield + Theme::scaled(4) : 0;
    const int nameWidth = width - (time.isEmpty() ? 0 : timeWidth + Theme::scaled(8)) - shieldRoom;
    const QString name = nameMetrics.elidedText(
        index.data(ActivityListModel::listenerNameRole).toString(), Qt::ElideRight, std::max(nameWidth, 0));
    painter->setFont(fonts.name);
    painter->setPen(tinted(Theme::Colour::primary));
    painter->drawText(QRect(left, top, nameWidth, nameLine), Qt::AlignLeft | Qt::AlignVCenter, name);
    if (verified) {
        const int shieldLeft = left + nameMetrics.horizontalAdvance(name) + Theme::scaled(4);
        painter->drawPixmap(QPoint(shieldLeft, top + (nameLine - shield) / 2),
            Symbols::pixmap(QStringLiteral("checkmark.shield.fill"), shield, tinted(Theme::Colour::green),
                painter->device()->devicePixelRatioF()));
    }

    const QString summary = summaryMetrics.elidedText(
        index.data(ActivityListModel::summaryRole).toString(), Qt::ElideRight, std::max(width, 0));
    painter->setFont(fonts.summary);
    painter->setPen(tinted(Theme::Colour::secondary));
    painter->drawText(
        QRect(left, top + nameLine + Theme::scaled(2), width, summaryLine), Qt::AlignLeft | Qt::AlignVCenter, summary);
}

QSize ActivityRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    Q_UNUSED(index);
    const Fonts fonts;
    const int text = Theme::lineHeight(fonts.name) + Theme::scaled(2) + Theme::lineHeight(fonts.summary);
    const int height = std::max(text, Theme::symbolSize(glyphPixels)) + 2 * padding() + Theme::scaled(4);
    return {option.rect.width(), height};
}

} // namespace corvane
