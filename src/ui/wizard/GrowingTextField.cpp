#include "ui/wizard/GrowingTextField.h"

#include "ui/components/Theme.h"
#include "ui/components/ThemeNotifier.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace corvane {
namespace {

constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 7;
constexpr qreal cornerRadius = 8;
constexpr qreal fillOpacity = 0.06;
constexpr qreal borderOpacity = 0.06;
constexpr qreal focusBorderWidth = 2;
constexpr qreal disabledOpacity = 0.5;

} // namespace

GrowingTextField::GrowingTextField(int minimumLines, int maximumLines, QWidget* parent)
    : QPlainTextEdit(parent), m_minimumLines(minimumLines), m_maximumLines(maximumLines)
{
    setFrameShape(QFrame::NoFrame);
    setTabChangesFocus(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    document()->setDocumentMargin(0);
    setViewportMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    QPalette colours; // only Base is set: the other roles stay inherited
    colours.setColor(QPalette::Base, Qt::transparent);
    setPalette(colours);
    viewport()->setAutoFillBackground(false);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        &GrowingTextField::refit);
    connect(ThemeNotifier::instance(), &ThemeNotifier::fontChanged, this, &GrowingTextField::applyFont);
    applyFont();
}

QSize GrowingTextField::sizeHint() const
{
    return {QPlainTextEdit::sizeHint().width(), idealHeight()};
}

int GrowingTextField::idealHeight() const
{
    return (visibleLines() * fontMetrics().lineSpacing()) + (2 * verticalPadding);
}

bool GrowingTextField::event(QEvent* event)
{
    // The rounded panel sits behind the viewport and its margins.
    if (event->type() == QEvent::Paint) {
        QColor primary = palette().color(QPalette::Text);
        if (!isEnabled()) {
            primary = Theme::withOpacity(primary, disabledOpacity);
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool focused = hasFocus();
        const qreal borderWidth = focused ? focusBorderWidth : 1;
        const qreal inset = borderWidth / 2;
        QPainterPath shape;
        shape.addRoundedRect(
            QRectF(rect()).adjusted(inset, inset, -inset, -inset), cornerRadius - inset, cornerRadius - inset);
        painter.fillPath(shape, Theme::withOpacity(primary, fillOpacity));
        const QColor border
            = focused ? palette().color(QPalette::Highlight) : Theme::withOpacity(primary, borderOpacity);
        painter.setPen(QPen(border, borderWidth));
        painter.drawPath(shape);
    } else if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        update();
    }
    return QPlainTextEdit::event(event);
}

void GrowingTextField::applyFont()
{
    setFont(Theme::font(Theme::TextStyle::body));
    refit();
}

void GrowingTextField::refit()
{
    // A scroll bar only once the text is taller than the field may grow.
    const auto lines = std::lround(document()->documentLayout()->documentSize().height());
    setVerticalScrollBarPolicy(lines > m_maximumLines ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setFixedHeight(idealHeight());
}

int GrowingTextField::visibleLines() const
{
    // QPlainTextEdit's document layout measures its height in lines.
    const auto lines = static_cast<int>(std::lround(document()->documentLayout()->documentSize().height()));
    return std::clamp(lines, m_minimumLines, m_maximumLines);
}

} // namespace corvane
