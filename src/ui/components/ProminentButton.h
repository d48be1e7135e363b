#pragma once

#include <QPushButton>

namespace corvane {

// The button that carries a screen's main action: filled with the accent colour, a deeper shade of it
// under the pointer and grey only while disabled; large on its own, compact in a row of other buttons.
class ProminentButton : public QPushButton {
    Q_OBJECT

public:
    enum class Size { large, compact };

    explicit ProminentButton(const QString& text = {}, QWidget* parent = nullptr);
    ProminentButton(const QString& text, Size size, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyStyle();

    bool m_large;
};

} // namespace corvane
