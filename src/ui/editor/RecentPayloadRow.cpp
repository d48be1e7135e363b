#include "ui/editor/RecentPayloadRow.h"

#include "evaluation/Template.h"
#include "ui/components/RelativeTime.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace corvane {
namespace {

constexpr qsizetype shortBodyLength = 80;
constexpr qreal hoverOpacity = 0.06;
constexpr qreal cornerRadius = 6;

StyledLabel* caption(const QString& text, Theme::TextStyle style, Theme::Colour colour, bool monospaced)
{
    auto* label = new StyledLabel(text, style, colour);
    label->setTextFormat(Qt::PlainText);
    label->setMonospaced(monospaced);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

QString shortBody(const Payload& payload)
{
    if (payload.rawBody && !payload.rawBody->empty()) {
        return QString::fromStdString(*payload.rawBody);
    }
    if (payload.body) {
        return QString::fromStdString(Template::stringify(&payload.body->value)).left(shortBodyLength);
    }
    return {};
}

RecentPayloadRow::RecentPayloadRow(Payload payload, QWidget* parent)
    : QAbstractButton(parent), m_payload(std::move(payload))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const QString body = shortBody(m_payload);
    const QString age = RelativeTime::shortISO(QString::fromStdString(m_payload.receivedAt));
    setAccessibleName(tr("%1 %2, %3").arg(QString::fromStdString(m_payload.method), body.left(40), age));

    const bool delivered = m_payload.deliveredAt.has_value();
    auto* state = new SymbolView(delivered ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle.dotted"),
        Theme::pixelSize(Theme::TextStyle::caption), delivered ? Theme::Colour::green : Theme::Colour::orange);
    state->setToolTip(delivered ? tr("Delivered") : tr("Pending"));
    auto* method
        = caption(QString::fromStdString(m_payload.method), Theme::TextStyle::caption, Theme::Colour::secondary, true);
    auto* text = caption(body, Theme::TextStyle::caption, Theme::Colour::primary, true);
    text->setMaximumLines(1);
    text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* time = caption(age, Theme::TextStyle::caption2, Theme::Colour::tertiary, false);
    auto* chevron = new SymbolView(
        QStringLiteral("chevron.right"), Theme::pixelSize(Theme::TextStyle::caption), Theme::Colour::tertiary);

    auto* layout = new QHBoxLayout(this);
    const int padding = Theme::scaled(5);
    layout->setContentsMargins(Theme::scaled(8), padding, Theme::scaled(8), padding);
    layout->setSpacing(Theme::scaled(8));
    layout->addWidget(state);
    layout->addWidget(method);
    layout->addWidget(text, 1);
    layout->addWidget(time);
    layout->addWidget(chevron);
    const int line
        = std::max(text->fontMetrics().height(), Theme::symbolSize(Theme::pixelSize(Theme::TextStyle::caption)));
    setFixedHeight(line + 2 * padding);
}

QSize RecentPayloadRow::sizeHint() const
{
    return {layout()->sizeHint().width(), height()};
}

void RecentPayloadRow::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void RecentPayloadRow::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void RecentPayloadRow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void RecentPayloadRow::paintEvent(QPaintEvent* /*event*/)
{
    if (!m_hovered && !hasFocus() && !isDown()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor text = palette().color(QPalette::WindowText);
    painter.setPen(hasFocus() ? QPen(palette().color(QPalette::Highlight), 1.5) : Qt::NoPen);
    painter.setBrush(Theme::withOpacity(text, isDown() ? 2 * hoverOpacity : hoverOpacity));
    const qreal radius = Theme::scaled(cornerRadius);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius, radius);
}

} // namespace corvane
