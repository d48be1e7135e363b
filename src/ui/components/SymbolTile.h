#pragma once

#include <QWidget>

namespace corvane {

// A symbol on a rounded square in the accent colour: the app's mark on the notification preview, the
// sign-in screen and the recent-notification rows.
class SymbolTile : public QWidget {
    Q_OBJECT

public:
    enum class Fill {
        gradient, // accent to accent at 70 % from top left to bottom right, white symbol
        tinted, // accent at 18 %, accent symbol
    };

    explicit SymbolTile(QString symbol = QStringLiteral("bell.fill"), QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    // The square's side and corner radius in pixels; the symbol's text size (Theme::symbolSize).
    void setMetrics(int side, qreal cornerRadius, qreal symbolFontPixels);
    Fill fill() const { return m_fill; }
    void setFill(Fill fill);

    QSize sizeHint() const override { return {m_side, m_side}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_side = 32;
    qreal m_cornerRadius = 8;
    qreal m_symbolFontPixels = 14;
    Fill m_fill = Fill::gradient;
};

} // namespace corvane
