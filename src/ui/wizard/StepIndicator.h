#pragma once

#include <QWidget>

namespace corvane {

// The wizard's progress: a row of capsules sharing the width, those up to the current step in the
// accent colour and the rest faint.
class StepIndicator : public QWidget {
    Q_OBJECT

public:
    static constexpr int stepCount = 3;

    explicit StepIndicator(QWidget* parent = nullptr);

    int current() const { return m_current; }
    // 0 for the first step.
    void setCurrent(int index);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_current = 0;
};

} // namespace corvane
