#pragma once

#include <QWidget>

namespace corvane {

// A hairline between sections, in the primary colour at low opacity so that it reads as a separator in
// light and dark schemes alike, with optional room above and below it.
class Divider : public QWidget {
    Q_OBJECT

public:
    explicit Divider(int verticalPadding = 0, QWidget* parent = nullptr);

    int verticalPadding() const { return m_verticalPadding; }
    void setVerticalPadding(int padding);

    QSize sizeHint() const override { return {1, 1 + 2 * m_verticalPadding}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_verticalPadding;
};

} // namespace corvane
