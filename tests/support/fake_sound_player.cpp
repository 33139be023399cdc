#include "tests/support/fake_sound_player.h"

namespace platform {

bool FakeSoundPlayer::PlayWav(const std::string& path) {
    Call call;
    call.kind = Call::Kind::kWav;
    call.path = path;
    std::unique_lock lock(mutex_);
    return Play(lock, std::move(call), wav_fails_);
}

bool FakeSoundPlayer::Beep(int frequency_hz, int duration_ms) {
    Call call;
    call.kind = Call::Kind::kBeep;
    call.frequency_hz = frequency_hz;
    call.duration_ms = duration_ms;
    std::unique_lock lock(mutex_);
    return Play(lock, std::move(call), beep_fails_);
}

bool FakeSoundPlayer::Play(std::unique_lock<std::mutex>& lock, Call call, bool fails) {
    call.result = !playing_ && !fails;
    const bool result = call.result;
    calls_.push_back(std::move(call));
    changed_.notify_all();
    if (!result)
        return false;

    playing_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !held_; });
    playing_ = false;
    changed_.notify_all();
    return true;
}

void FakeSoundPlayer::SetWavFails(bool fails) {
    std::lock_guard lock(mutex_);
    wav_fails_ = fails;
}

void FakeSoundPlayer::SetBeepFails(bool fails) {
    std::lock_guard lock(mutex_);
    beep_fails_ = fails;
}

void FakeSoundPlayer::Hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void FakeSoundPlayer::Release() {
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
}

bool FakeSoundPlayer::WaitUntilPlaying(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, bound, [this] { return playing_ && held_; });
}

bool FakeSoundPlayer::WaitForCalls(size_t count, std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, bound, [&] { return calls_.size() >= count; });
}

std::vector<FakeSoundPlayer::Call> FakeSoundPlayer::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

bool FakeSoundPlayer::IsPlaying() const {
    std::lock_guard lock(mutex_);
    return playing_;
}

}  // namespace platform
