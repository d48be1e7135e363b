#include "ui/inspector/PayloadBodyText.h"

#include "ui/components/Theme.h"

#include <QScrollBar>

namespace corvane {

PayloadBodyText::PayloadBodyText(const QString& text, QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    document()->setDocumentMargin(0);
    viewport()->setAutoFillBackground(false);
    setPlainText(text);
    applyStyle();
}

void PayloadBodyText::applyStyle()
{
    setFont(Theme::monospaced(Theme::font(Theme::TextStyle::caption)));
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Text, Theme::colour(Theme::Colour::primary, colours));
    setPalette(colours);
    updateGeometry();
}

int PayloadBodyText::contentHeight() const
{
    const int lines = document()->blockCount();
    const int scrollBar = horizontalScrollBar()->isVisibleTo(this) ? horizontalScrollBar()->sizeHint().height() : 0;
    return lines * fontMetrics().lineSpacing() + 2 * frameWidth() + scrollBar + 2;
}

QSize PayloadBodyText::sizeHint() const
{
    return {QPlainTextEdit::sizeHint().width(), contentHeight()};
}

QSize PayloadBodyText::minimumSizeHint() const
{
    return {0, contentHeight()};
}

void PayloadBodyText::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationPaletteChange) {
        if (event->type() == QEvent::ApplicationPaletteChange) {
            setPalette(QPalette());
            applyStyle();
        }
        updateGeometry();
    }
}

void PayloadBodyText::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    // The sideways scroll bar comes and goes with the width.
    if (height() != contentHeight()) {
        updateGeometry();
    }
}

} // namespace corvane
