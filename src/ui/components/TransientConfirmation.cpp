#include "ui/components/TransientConfirmation.h"

#include "ui/components/Symbols.h"
#include "ui/components/Theme.h"
#include "ui/components/ThemeNotifier.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace corvane {
namespace {

constexpr int spacing = 4;

QAccessibleInterface* accessibleConfirmation(const QString& className, QObject* object)
{
    if (className == QLatin1String(TransientConfirmation::staticMetaObject.className())) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    }
    return nullptr;
}

int symbolSide()
{
    return Theme::symbolSize(Theme::pixelSize(Theme::TextStyle::caption));
}

} // namespace

TransientConfirmation::TransientConfirmation(const QString& text, QWidget* parent) : QWidget(parent), m_text(text)
{
    [[maybe_unused]] static const bool accessible = (QAccessible::installFactory(accessibleConfirmation), true);
    setAccessibleName(text);
    QSizePolicy reserved(QSizePolicy::Fixed, QSizePolicy::Fixed);
    reserved.setRetainSizeWhenHidden(true);
    setSizePolicy(reserved);
    m_timer.setSingleShot(true);
    m_timer.setInterval(visibleMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::hide);
    connect(ThemeNotifier::instance(), &ThemeNotifier::fontChanged, this, &TransientConfirmation::applyFont);
    applyFont();
    hide();
}

void TransientConfirmation::confirm()
{
    // Hidden first, so that a screen reader hears a repeated confirmation as a new one.
    hide();
    show();
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    m_timer.start();
}

QSize TransientConfirmation::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int side = symbolSide();
    return {
        side + Theme::scaled(spacing) + metrics.horizontalAdvance(m_text), std::max(side, Theme::lineHeight(font()))};
}

void TransientConfirmation::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        update();
    }
}

void TransientConfirmation::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const int side = symbolSide();
    const QPixmap check = Symbols::pixmap(QStringLiteral("checkmark.circle.fill"), side,
        Theme::colour(Theme::Colour::green, palette()), devicePixelRatioF());
    painter.drawPixmap(QPoint(0, (height() - side) / 2), check);
    painter.setPen(Theme::colour(Theme::Colour::primary, palette()));
    painter.setFont(font());
    painter.drawText(rect().adjusted(side + Theme::scaled(spacing), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_text);
}

void TransientConfirmation::applyFont()
{
    setFont(Theme::font(Theme::TextStyle::caption));
    updateGeometry();
}

} // namespace corvane
