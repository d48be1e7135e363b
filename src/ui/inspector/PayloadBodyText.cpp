#include "ui/inspector/PayloadBodyText.h"

#include "ui/components/Theme.h"
#include "ui/components/WheelHandoff.h"

#include <QCoreApplication>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextDocument>

#include <algorithm>

namespace corvane {

PayloadBodyText::PayloadBodyText(const QString& text, QWidget* parent) : QPlainTextEdit(parent)
{
    document()->setDocumentMargin(0);
    setPlainText(text);
    setUp();
}

PayloadBodyText::PayloadBodyText(std::unique_ptr<QTextDocument> document, QWidget* parent) : QPlainTextEdit(parent)
{
    document->setParent(this);
    setDocument(document.release());
    setUp();
}

std::unique_ptr<QTextDocument> PayloadBodyText::makeDocument(const QString& text, const QFont& font)
{
    auto document = std::make_unique<QTextDocument>();
    document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
    document->setDocumentMargin(0);
    document->setDefaultFont(font);
    document->setPlainText(text);
    document->moveToThread(QCoreApplication::instance()->thread());
    return document;
}

QFont PayloadBodyText::textFont()
{
    return Theme::monospaced(Theme::font(Theme::TextStyle::caption));
}

void PayloadBodyText::setUp()
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    viewport()->setAutoFillBackground(false);
    WheelHandoff::install(this);
    applyStyle();
}

void PayloadBodyText::applyStyle()
{
    setFont(textFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Text, Theme::colour(Theme::Colour::primary, colours));
    setPalette(colours);
    updateGeometry();
}

int PayloadBodyText::contentHeight() const
{
    const int lines = std::min(document()->blockCount(), maximumLines);
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
