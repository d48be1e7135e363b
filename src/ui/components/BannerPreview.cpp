#include "ui/components/BannerPreview.h"

#include "ui/components/DropShadow.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolTile.h"
#include "ui/components/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

namespace corvane {

namespace {

constexpr int padding = 12;
constexpr int spacing = 10;
constexpr int textSpacing = 2;
constexpr int tileSide = 32;
constexpr qreal tileRadius = 8;
constexpr qreal tileSymbolPixels = 14;
constexpr qreal cornerRadius = 14;
constexpr qreal borderOpacity = 0.08;
constexpr qreal shadowOpacity = 0.1;
constexpr qreal shadowBlur = 16;
constexpr QPointF shadowOffset{0, 6};
constexpr int titleLines = 2;
constexpr int messageLines = 3;

// The panel's fill: a light material over the window, a little lighter than the window in a dark scheme
// so that the panel stands out from it.
QColor material(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    if (Theme::isDark(palette)) {
        return Theme::blend(palette.color(QPalette::Text), window, 0.08);
    }
    return Theme::blend(palette.color(QPalette::Base), window, 0.75);
}

} // namespace

BannerPreview::BannerPreview(QWidget* parent)
    : QWidget(parent), m_tile(new SymbolTile(QStringLiteral("bell.fill"), this)), m_appNameLabel(new StyledLabel(this)),
      m_timeLabelLabel(new StyledLabel(this)), m_titleLabel(new StyledLabel(this)),
      m_messageLabel(new StyledLabel(this))
{
    m_tile->setMetrics(tileSide, tileRadius, tileSymbolPixels);
    m_appNameLabel->setTextStyle(Theme::TextStyle::caption, QFont::DemiBold);
    m_appNameLabel->setMaximumLines(1);
    m_timeLabelLabel->setTextStyle(Theme::TextStyle::caption2);
    m_timeLabelLabel->setTint(Theme::Colour::secondary);
    m_timeLabelLabel->setMaximumLines(1);
    m_timeLabelLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_titleLabel->setTextStyle(Theme::TextStyle::callout, QFont::DemiBold);
    m_titleLabel->setMaximumLines(titleLines);
    m_messageLabel->setTextStyle(Theme::TextStyle::callout);
    m_messageLabel->setTint(Theme::Colour::secondary);
    m_messageLabel->setMaximumLines(messageLines);
    for (auto* label : {m_titleLabel, m_messageLabel}) {
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    auto* heading = new QHBoxLayout;
    heading->setSpacing(spacing);
    heading->addWidget(m_appNameLabel, 1);
    heading->addWidget(m_timeLabelLabel);
    auto* text = new QVBoxLayout;
    text->setSpacing(textSpacing);
    text->addLayout(heading);
    text->addWidget(m_titleLabel);
    text->addWidget(m_messageLabel);
    auto* row = new QHBoxLayout(this);
    row->setSpacing(spacing);
    row->setContentsMargins(shadowMargins() + QMargins(padding, padding, padding, padding));
    row->addWidget(m_tile, 0, Qt::AlignTop);
    row->addLayout(text, 1);

    setAccessibleName(tr("Notification preview"));
    setTitle({});
    setMessage({});
}

BannerPreview::BannerPreview(
    const QString& title, const QString& message, const QString& appName, const QString& timeLabel, QWidget* parent)
    : BannerPreview(parent)
{
    setTitle(title);
    setMessage(message);
    setAppName(appName);
    setTimeLabel(timeLabel);
}

void BannerPreview::setTitle(const QString& title)
{
    m_title = title;
    m_titleLabel->setText(title.isEmpty() ? QStringLiteral("(empty title)") : title);
    describe();
}

void BannerPreview::setMessage(const QString& message)
{
    m_message = message;
    m_messageLabel->setText(message.isEmpty() ? QStringLiteral("(empty body)") : message);
    describe();
}

void BannerPreview::setAppName(const QString& appName)
{
    m_appName = appName;
    m_appNameLabel->setText(appName);
    describe();
}

void BannerPreview::setTimeLabel(const QString& timeLabel)
{
    m_timeLabel = timeLabel;
    m_timeLabelLabel->setText(timeLabel);
    describe();
}

QMargins BannerPreview::shadowMargins()
{
    const QMarginsF reach = DropShadow::extent(shadowBlur, shadowOffset);
    return {static_cast<int>(std::ceil(reach.left())), static_cast<int>(std::ceil(reach.top())),
        static_cast<int>(std::ceil(reach.right())), static_cast<int>(std::ceil(reach.bottom()))};
}

void BannerPreview::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        update();
    }
}

void BannerPreview::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect()).marginsRemoved(QMarginsF(shadowMargins()));
    DropShadow::paint(
        painter, panel, cornerRadius, Theme::withOpacity(Qt::black, shadowOpacity), shadowBlur, shadowOffset);
    QPainterPath shape;
    shape.addRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
    painter.fillPath(shape, material(palette()));
    painter.setPen(QPen(Theme::withOpacity(Theme::colour(Theme::Colour::primary, palette()), borderOpacity), 1));
    painter.drawPath(shape);
}

void BannerPreview::describe()
{
    setAccessibleDescription(QStringList{m_appName, m_titleLabel->text(), m_messageLabel->text()}.join(u'\n'));
}

} // namespace corvane
