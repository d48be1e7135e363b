#include "ui/components/FilledFieldStyle.h"

#include "ui/components/Theme.h"
#include "ui/components/ThemeNotifier.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace corvane {

namespace {

constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 7;
// QLineEdit keeps this much room of its own between its text margins and the text.
constexpr int ownHorizontalMargin = 2;
constexpr int ownVerticalMargin = 1;
// QLineEdit makes room for text at least this high.
constexpr int minimumTextHeight = 14;
constexpr qreal cornerRadius = 8;
constexpr qreal fillOpacity = 0.06;
constexpr qreal borderOpacity = 0.06;
constexpr qreal focusBorderWidth = 2;
constexpr qreal disabledOpacity = 0.5;

} // namespace

QLineEdit* FilledFieldStyle::field(const QString& accessibleName, const QString& placeholder)
{
    auto* field = new QLineEdit;
    apply(field);
    field->setPlaceholderText(placeholder);
    field->setAccessibleName(accessibleName);
    return field;
}

FilledFieldStyle* FilledFieldStyle::apply(QLineEdit* field, bool monospaced)
{
    auto* style = field->findChild<FilledFieldStyle*>(QString(), Qt::FindDirectChildrenOnly);
    if (style == nullptr) {
        style = new FilledFieldStyle(field);
    }
    style->setMonospaced(monospaced);
    return style;
}

FilledFieldStyle::FilledFieldStyle(QLineEdit* field) : QObject(field), m_field(field)
{
    field->setFrame(false);
    // The style paints the background; the field's own panel stays transparent.
    QPalette colours; // only Base is set: the other roles stay inherited
    colours.setColor(QPalette::Base, Qt::transparent);
    field->setPalette(colours);
    field->setAttribute(Qt::WA_MacShowFocusRect, false);
    field->installEventFilter(this);
    connect(ThemeNotifier::instance(), &ThemeNotifier::fontChanged, this, &FilledFieldStyle::applyFont);
    applyFont();
}

void FilledFieldStyle::setMonospaced(bool monospaced)
{
    m_monospaced = monospaced;
    applyFont();
}

bool FilledFieldStyle::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field) {
        switch (event->type()) {
        case QEvent::Paint:
            // Beneath the text, which the field paints after this returns.
            paintBackground();
            break;
        case QEvent::StyleChange:
            applyMargins();
            break;
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            m_field->update();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void FilledFieldStyle::applyFont()
{
    if (m_field == nullptr || m_applying) {
        return;
    }
    m_applying = true;
    const QFont body = Theme::font(Theme::TextStyle::body);
    m_field->setFont(m_monospaced ? Theme::monospaced(body) : body);
    m_applying = false;
    applyMargins();
}

// Styles add room of their own around a frameless field (Fusion 2 px above and below); the text margins
// take it back so that the padding around the text is what it should be in any style.
void FilledFieldStyle::applyMargins()
{
    if (m_field == nullptr || m_applying) {
        return;
    }
    m_applying = true;
    const int horizontal = horizontalPadding - ownHorizontalMargin;
    m_field->setTextMargins(
        horizontal, verticalPadding - ownVerticalMargin, horizontal, verticalPadding - ownVerticalMargin);
    const int wanted = std::max(QFontMetrics(m_field->font()).height(), minimumTextHeight) + 2 * verticalPadding;
    const int excess = m_field->sizeHint().height() - wanted;
    const int vertical = std::max(0, verticalPadding - ownVerticalMargin - excess / 2);
    m_field->setTextMargins(horizontal, vertical, horizontal, vertical);
    m_applying = false;
}

void FilledFieldStyle::paintBackground()
{
    const QPalette& colours = m_field->palette();
    // The field's Base is transparent, so the primary colour is taken from its Text.
    QColor primary = colours.color(QPalette::Text);
    if (!m_field->isEnabled()) {
        primary = Theme::withOpacity(primary, disabledOpacity);
    }
    QPainter painter(m_field);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool focused = m_field->hasFocus();
    const qreal borderWidth = focused ? focusBorderWidth : 1;
    const qreal inset = borderWidth / 2;
    QPainterPath shape;
    shape.addRoundedRect(
        QRectF(m_field->rect()).adjusted(inset, inset, -inset, -inset), cornerRadius - inset, cornerRadius - inset);
    painter.fillPath(shape, Theme::withOpacity(primary, fillOpacity));
    const QColor border = focused ? colours.color(QPalette::Highlight) : Theme::withOpacity(primary, borderOpacity);
    painter.setPen(QPen(border, borderWidth));
    painter.drawPath(shape);
}

} // namespace corvane
