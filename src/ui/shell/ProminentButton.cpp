#include "ui/shell/ProminentButton.h"

#include "ui/components/Theme.h"

namespace corvane {
namespace {

// Colours come from the palette, so the button follows the desktop's scheme.
const char* const prominentStyle = R"(
QPushButton {
    background-color: palette(highlight);
    color: palette(highlighted-text);
    border: 1px solid palette(highlight);
    border-radius: 7px;
    padding: 6px 18px;
    font-weight: 600;
}
QPushButton:hover { background-color: palette(dark); border-color: palette(dark); }
QPushButton:focus { border: 2px solid palette(text); }
QPushButton:disabled { background-color: palette(mid); border-color: palette(mid); }
)";

} // namespace

ProminentButton::ProminentButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setStyleSheet(QString::fromLatin1(prominentStyle));
    setMinimumHeight(Theme::scaled(32));
    setDefault(true);
}

} // namespace corvane
