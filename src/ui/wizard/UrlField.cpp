#include "ui/wizard/UrlField.h"

#include "ui/components/Theme.h"
#include "ui/components/ThemeNotifier.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace corvane {
namespace {

constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 8;
// QLineEdit keeps this much room of its own between its text margins and the text.
constexpr int ownHorizontalMargin = 2;
constexpr int ownVerticalMargin = 1;
constexpr qreal cornerRadius = 8;
constexpr qreal fillOpacity = 0.04;

} // namespace

UrlField::UrlField(QString url, QWidget* parent) : QLineEdit(parent), m_url(std::move(url))
{
    setReadOnly(true);
    setFrame(false);
    setCursor(Qt::IBeamCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QPalette colours; // only Base is set: the other roles stay inherited
    colours.setColor(QPalette::Base, Qt::transparent);
    setPalette(colours);
    setTextMargins(horizontalPadding - ownHorizontalMargin, verticalPadding - ownVerticalMargin,
        horizontalPadding - ownHorizontalMargin, verticalPadding - ownVerticalMargin);
    connect(ThemeNotifier::instance(), &ThemeNotifier::fontChanged, this, &UrlField::applyFont);
    applyFont();
}

bool UrlField::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Paint: {
        // Beneath the text, which the field paints after this.
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        const qreal radius = Theme::scaled(cornerRadius);
        shape.addRoundedRect(QRectF(rect()), radius, radius);
        painter.fillPath(shape, Theme::withOpacity(Theme::colour(Theme::Colour::primary, palette()), fillOpacity));
        break;
    }
    case QEvent::Resize:
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        const bool handled = QLineEdit::event(event);
        showText();
        return handled;
    }
    default:
        break;
    }
    return QLineEdit::event(event);
}

void UrlField::applyFont()
{
    setFont(Theme::monospaced(Theme::font(Theme::TextStyle::callout)));
    showText();
}

void UrlField::showText()
{
    const QString shown = hasFocus()
        ? m_url
        : fontMetrics().elidedText(m_url, Qt::ElideMiddle,
              contentsRect().width() - textMargins().left() - textMargins().right() - 2 * ownHorizontalMargin);
    if (text() != shown) {
        setText(shown);
        setCursorPosition(0);
    }
}

} // namespace corvane
