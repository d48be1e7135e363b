#pragma once

#include <QString>

namespace corvane {

// Plays a sound file in the background, for notification servers that do not play sounds
// themselves. Uses the desktop's own command-line player: pw-play (PipeWire) or paplay (PulseAudio),
// whichever is on PATH first; both read AIFF and Ogg through libsndfile. Without either, it stays
// silent.
class SoundPlayer {
public:
    // Starts playing `file` without waiting for it; false when no player could be started.
    bool play(const QString& file) const;
};

} // namespace corvane
