#pragma once

#include "ui/components/Theme.h"

#include <QWidget>

namespace corvane {

// One symbol, centred in a fixed box, drawn in a tint that follows the colour scheme. Decorative unless
// given an accessible name.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    // `fontPixels` is the text size the symbol stands beside (Theme::symbolSize); the box defaults to the
    // symbol's own square.
    explicit SymbolView(QString symbol = {}, qreal fontPixels = 13, Theme::Tint tint = Theme::Colour::primary,
        QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    void setFontPixels(qreal fontPixels);
    Theme::Tint tint() const { return m_tint; }
    void setTint(const Theme::Tint& tint);
    // A box larger than the symbol, such as the 16 × 16 frames of icon columns; empty for the symbol's size.
    void setBoxSize(const QSize& size);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refit();

    QString m_symbol;
    qreal m_fontPixels;
    Theme::Tint m_tint;
    QSize m_boxSize;
};

} // namespace corvane
