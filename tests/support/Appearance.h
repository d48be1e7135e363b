#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

// The desktop appearance widget tests run under: light and dark colour schemes as desktops ship them,
// and the default font size that the Theme's sizes are given at.
namespace corvane::test {

// 10 pt, the size at which Theme's pixel sizes hold unscaled; the offscreen platform alone gives 9 pt.
inline QFont defaultFont()
{
    QFont font;
    font.setPointSize(10);
    return font;
}

inline QPalette lightPalette()
{
    QPalette palette(QColor(0xefefef), QColor(0xefefef));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xf7f7f7));
    palette.setColor(QPalette::Text, QColor(0x1d1d1f));
    palette.setColor(QPalette::WindowText, QColor(0x1d1d1f));
    palette.setColor(QPalette::ButtonText, QColor(0x1d1d1f));
    palette.setColor(QPalette::Highlight, QColor(0x3584e4));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8e8e93));
    return palette;
}

inline QPalette darkPalette()
{
    QPalette palette(QColor(0x353535), QColor(0x2b2b2b));
    palette.setColor(QPalette::Base, QColor(0x232323));
    palette.setColor(QPalette::AlternateBase, QColor(0x2b2b2b));
    palette.setColor(QPalette::Text, QColor(0xeeeeee));
    palette.setColor(QPalette::WindowText, QColor(0xeeeeee));
    palette.setColor(QPalette::ButtonText, QColor(0xeeeeee));
    palette.setColor(QPalette::Button, QColor(0x3c3c3c));
    palette.setColor(QPalette::Highlight, QColor(0x3584e4));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8e8e93));
    return palette;
}

} // namespace corvane::test
