#pragma once

#include "ui/components/Theme.h"

#include <QWidget>

namespace corvane {

// A small filled circle in a state's colour, optionally on a larger halo of the same colour: the
// connection dot of the footer and the panel, and the enabled mark of listener rows.
class StatusDot : public QWidget {
    Q_OBJECT

public:
    // `diameter` and `haloDiameter` in pixels at the default font size; no halo when `haloDiameter`
    // is 0. The widget is `boxSize` square (at least the larger diameter).
    StatusDot(
        qreal diameter, qreal haloDiameter = 0, qreal haloOpacity = 0, int boxSize = 0, QWidget* parent = nullptr);

    Theme::Tint tint() const { return m_tint; }
    void setTint(const Theme::Tint& tint);
    void setHaloOpacity(qreal opacity);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_diameter;
    qreal m_haloDiameter;
    qreal m_haloOpacity;
    int m_boxSize;
    Theme::Tint m_tint = Theme::Colour::secondary;
};

} // namespace corvane
