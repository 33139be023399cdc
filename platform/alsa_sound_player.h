#pragma once

#include "platform/sound_player.h"

namespace platform {

// Decodes with libsndfile and plays through ALSA's "default" device. The
// "playing" flag is shared by every instance, so the rule holds for the whole
// process. ALSA's own error printing is silenced: a machine without a sound
// card only sees the calls return false.
class AlsaSoundPlayer final : public ISoundPlayer {
public:
    static constexpr int kBeepRate = 44100;
    // Windows' accepted range for a beep.
    static constexpr int kMinBeepHz = 37;
    static constexpr int kMaxBeepHz = 32767;

    bool PlayWav(const std::string& path) override;
    bool Beep(int frequency_hz, int duration_ms) override;
};

}  // namespace platform
