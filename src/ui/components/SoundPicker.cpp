#include "ui/components/SoundPicker.h"

namespace corvane {

SoundPicker::SoundPicker(QWidget* parent) : QComboBox(parent)
{
    // Each is a file <name>.aiff of the sounds folder.
    addItems({defaultSound(), QStringLiteral("Funk"), QStringLiteral("Pop"), QStringLiteral("Submarine"),
        QStringLiteral("Ping"), QStringLiteral("Hero"), QStringLiteral("Sosumi"), QStringLiteral("Bottle")});
    setAccessibleName(tr("Sound"));
}

QString SoundPicker::defaultSound()
{
    return QStringLiteral("Glass");
}

void SoundPicker::choose(const QString& sound)
{
    if (findText(sound) < 0) {
        addItem(sound);
    }
    setCurrentText(sound);
}

} // namespace corvane
