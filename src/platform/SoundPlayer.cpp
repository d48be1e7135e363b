#include "platform/SoundPlayer.h"

#include <QProcess>
#include <QStandardPaths>

namespace corvane {

bool SoundPlayer::play(const QString& file) const
{
    for (const auto* player : {"pw-play", "paplay"}) {
        const QString program = QStandardPaths::findExecutable(player);
        if (!program.isEmpty()) {
            return QProcess::startDetached(program, {file});
        }
    }
    return false;
}

} // namespace corvane
