#pragma once

#include <QPushButton>

namespace corvane {

// The button that carries a screen's main action: filled with the accent colour, large.
class ProminentButton : public QPushButton {
    Q_OBJECT

public:
    explicit ProminentButton(const QString& text = {}, QWidget* parent = nullptr);
};

} // namespace corvane
