#pragma once

#include <string>

namespace platform {

// Plays sounds synchronously on the calling thread. At most one sound of the
// process plays at a time: a call made while another one plays fails at once
// rather than cutting it off or queueing behind it.
class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;

    // Plays the whole file and returns once it has been heard. False when
    // another sound is playing, the file cannot be decoded or the sound device
    // cannot be opened.
    virtual bool PlayWav(const std::string& path) = 0;

    // A sine tone through the same path and under the same one-at-a-time rule.
    virtual bool Beep(int frequency_hz, int duration_ms) = 0;
};

}  // namespace platform
