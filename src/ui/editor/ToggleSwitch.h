#pragma once

#include <QAbstractButton>

namespace corvane {

// A small on/off switch: a rounded track, filled with the accent colour while on, and a round knob.
// Checkable; Space toggles it from the keyboard.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace corvane
