#include "ui/components/GrowingTextField.h"

#include "ui/components/Theme.h"
#include "ui/components/WheelHandoff.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace corvane {
namespace {

// The padding, corners and tints of FilledFieldStyle, so that both kinds of field read as one family.
constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 7;
constexpr qreal cornerRadius = 8;
constexpr qreal fillOpacity = 0.06;
constexpr qreal borderOpacity = 0.06;
constexpr qreal focusBorderWidth = 2;
constexpr qreal disabledOpacity = 0.5;

} // namespace

GrowingTextField::GrowingTextField(int maximumLines, QWidget* parent)
    : QPlainTextEdit(parent), m_maximumLines(maximumLines)
{
    setFrameShape(QFrame::NoFrame);
    setTabChangesFocus(true);
    WheelHandoff::install(this);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The background is painted beneath the viewport, which stays transparent.
    QPalette colours;
    colours.setColor(QPalette::Base, Qt::transparent);
    setPalette(colours);
    viewport()->setAutoFillBackground(false);
    document()->setDocumentMargin(0);
    setFont(Theme::font(Theme::TextStyle::body));
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        &GrowingTextField::refit);
    refit();
}

int GrowingTextField::visibleLines() const
{
    // The plain-text layout measures its height in lines.
    const auto lines = static_cast<int>(std::lround(document()->documentLayout()->documentSize().height()));
    return std::clamp(lines, 1, m_maximumLines);
}

int GrowingTextField::fittingHeight() const
{
    return visibleLines() * fontMetrics().lineSpacing() + 2 * Theme::scaled(verticalPadding);
}

QSize GrowingTextField::sizeHint() const
{
    return {QPlainTextEdit::sizeHint().width(), fittingHeight()};
}

QSize GrowingTextField::minimumSizeHint() const
{
    return {Theme::scaled(60), fittingHeight()};
}

bool GrowingTextField::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Paint: {
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
        painter.setPen(QPen(
            focused ? palette().color(QPalette::Highlight) : Theme::withOpacity(primary, borderOpacity), borderWidth));
        painter.drawPath(shape);
        return true;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        update();
        break;
    default:
        break;
    }
    return QPlainTextEdit::event(event);
}

void GrowingTextField::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        refit();
    }
}

void GrowingTextField::refit()
{
    const int horizontal = Theme::scaled(horizontalPadding);
    const int vertical = Theme::scaled(verticalPadding);
    setViewportMargins(horizontal, vertical, horizontal, vertical);
    setFixedHeight(fittingHeight());
    // Until the text outgrows the field, all of it is in view and there is nothing to scroll.
    const bool fits = document()->documentLayout()->documentSize().height() <= m_maximumLines;
    setVerticalScrollBarPolicy(fits ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    if (fits) {
        verticalScrollBar()->setValue(0);
    }
}

} // namespace corvane
