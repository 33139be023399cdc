#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sound_player.h"

namespace platform {

// Records every call instead of making a sound. A test can make either kind
// of call fail, and can hold plays "playing" until it releases them, to see
// that a second call meanwhile is refused at once.
class FakeSoundPlayer final : public ISoundPlayer {
public:
    struct Call {
        enum class Kind { kWav, kBeep };
        Kind kind = Kind::kWav;
        std::string path;      // kWav
        int frequency_hz = 0;  // kBeep
        int duration_ms = 0;   // kBeep
        bool result = false;
    };

    bool PlayWav(const std::string& path) override;
    bool Beep(int frequency_hz, int duration_ms) override;

    void SetWavFails(bool fails);
    void SetBeepFails(bool fails);

    // While held, a play that is not refused blocks until Release().
    void Hold();
    void Release();
    // True once a play is blocked in Hold(), false if none is within `bound`.
    bool WaitUntilPlaying(std::chrono::milliseconds bound);
    // True once `count` calls have been recorded, false if not within `bound`.
    bool WaitForCalls(size_t count, std::chrono::milliseconds bound);

    std::vector<Call> Calls() const;
    bool IsPlaying() const;

private:
    bool Play(std::unique_lock<std::mutex>& lock, Call call, bool fails);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Call> calls_;
    bool wav_fails_ = false;
    bool beep_fails_ = false;
    bool held_ = false;
    bool playing_ = false;
};

}  // namespace platform
