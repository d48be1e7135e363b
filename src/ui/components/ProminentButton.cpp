#include "ui/components/ProminentButton.h"

#include "ui/components/Theme.h"

namespace corvane {
namespace {

// Colours come from the palette, so the button follows the desktop's scheme.
const char* const prominentStyle = R"(
QPushButton {
    background-color: palette(highlight);
    color: palette(highlighted-text);
    border: 1px solid palette(highlight);
    border-radius: %1px;
    padding: %2;
    font-weight: 600;
}
QPushButton:hover { background-color: palette(dark); border-color: palette(dark); }
QPushButton:focus { border: 2px solid palette(text); }
QPushButton:disabled { background-color: palette(button); border-color: palette(mid); color: palette(mid); }
)";

} // namespace

ProminentButton::ProminentButton(const QString& text, QWidget* parent) : ProminentButton(text, Size::large, parent)
{
}

ProminentButton::ProminentButton(const QString& text, Size size, QWidget* parent) : QPushButton(text, parent)
{
    const bool large = size == Size::large;
    setStyleSheet(QString::fromLatin1(prominentStyle).arg(large ? 7 : 6).arg(large ? "6px 18px" : "4px 12px"));
    if (large) {
        setMinimumHeight(Theme::scaled(32));
        setDefault(true);
    } else {
        setAutoDefault(false);
    }
}

} // namespace corvane
