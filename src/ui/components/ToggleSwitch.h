#pragma once

#include <QAbstractButton>

namespace corvane {

// An on/off switch: a rounded track, filled with the accent colour while on, with a round knob at the
// end that is on. A checkable button: clicking or Space toggles it, and toggled() reports the change.
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
