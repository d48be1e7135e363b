#pragma once

#include <QComboBox>

namespace corvane {

// The sound a listener plays: the bundled sounds, and any other name a listener already has.
class SoundPicker : public QComboBox {
    Q_OBJECT

public:
    explicit SoundPicker(QWidget* parent = nullptr);

    // The sound of a listener that names none, and the first one offered.
    static QString defaultSound();

    // Selects `sound`, adding it to the choices when it is not one of them.
    void choose(const QString& sound);
};

} // namespace corvane
