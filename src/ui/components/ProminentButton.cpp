#include "ui/components/ProminentButton.h"

#include "ui/components/Theme.h"

#include <QApplication>
#include <QEvent>

namespace corvane {
namespace {

// Colours come from the palette, so the button follows the desktop's scheme. Under the pointer (%3) it
// keeps the accent, a shade deeper: a grey there would read as disabled.
const char* const prominentStyle = R"(
QPushButton {
    background-color: palette(highlight);
    color: palette(highlighted-text);
    border: 1px solid palette(highlight);
    border-radius: %1px;
    padding: %2;
    font-weight: 600;
}
QPushButton:hover { background-color: %3; border-color: %3; }
QPushButton:focus { border: 2px solid palette(text); }
QPushButton:disabled { background-color: palette(button); border-color: palette(mid); color: palette(mid); }
)";

constexpr int hoverDarkness = 115;

} // namespace

ProminentButton::ProminentButton(const QString& text, QWidget* parent) : ProminentButton(text, Size::large, parent)
{
}

ProminentButton::ProminentButton(const QString& text, Size size, QWidget* parent)
    : QPushButton(text, parent), m_large(size == Size::large)
{
    applyStyle();
    if (m_large) {
        setMinimumHeight(Theme::scaled(32));
        setDefault(true);
    } else {
        setAutoDefault(false);
    }
}

void ProminentButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        applyStyle();
    }
}

void ProminentButton::applyStyle()
{
    // The application's palette: the style sheet rewrites the button's own.
    const QString hover = QApplication::palette(this).color(QPalette::Highlight).darker(hoverDarkness).name();
    const QString style = QString::fromLatin1(prominentStyle)
                              .arg(m_large ? 7 : 6)
                              .arg(QString::fromLatin1(m_large ? "6px 18px" : "4px 12px"), hover);
    // Setting an equal sheet again would repolish and change the palette once more.
    if (styleSheet() != style) {
        setStyleSheet(style);
    }
}

} // namespace corvane
