#include "platform/alsa_sound_player.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <numbers>
#include <vector>

#include "platform/regular_file.h"

namespace platform {

namespace {

constexpr long kChunkFrames = 1024;
constexpr unsigned kLatencyUs = 100000;
constexpr int kMaxChannels = 8;

std::atomic<bool> g_playing{false};

// Holds the process-wide "playing" flag for the length of one sound.
class PlayingClaim {
public:
    PlayingClaim() {
        bool expected = false;
        owned_ = g_playing.compare_exchange_strong(expected, true);
    }
    ~PlayingClaim() {
        if (owned_)
            g_playing.store(false);
    }
    PlayingClaim(const PlayingClaim&) = delete;
    PlayingClaim& operator=(const PlayingClaim&) = delete;
    bool owned() const { return owned_; }

private:
    bool owned_ = false;
};

void DiscardAlsaError(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsa() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&DiscardAlsaError); });
}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

// Fills interleaved 16-bit frames; returns how many, 0 at the end, -1 on error.
using FrameSource = std::function<long(int16_t* frames, long max_frames)>;

bool PlayStream(int channels, int rate, const FrameSource& source) {
    SilenceAlsa();
    snd_pcm_t* raw = nullptr;
    if (snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return false;
    std::unique_ptr<snd_pcm_t, PcmCloser> pcm(raw);
    if (snd_pcm_set_params(raw, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                           static_cast<unsigned>(channels), static_cast<unsigned>(rate), 1, kLatencyUs) < 0) {
        return false;
    }
    std::vector<int16_t> buffer(static_cast<size_t>(kChunkFrames) * channels);
    for (;;) {
        long count = source(buffer.data(), kChunkFrames);
        if (count < 0) {
            snd_pcm_drop(raw);
            return false;
        }
        if (count == 0)
            break;
        const int16_t* next = buffer.data();
        while (count > 0) {
            snd_pcm_sframes_t written = snd_pcm_writei(raw, next, static_cast<snd_pcm_uframes_t>(count));
            if (written < 0) {
                // An underrun or a suspend is recoverable; anything else ends the sound.
                if (snd_pcm_recover(raw, static_cast<int>(written), 1) < 0)
                    return false;
                continue;
            }
            next += written * channels;
            count -= written;
        }
    }
    return snd_pcm_drain(raw) >= 0;
}

}  // namespace

bool AlsaSoundPlayer::PlayWav(const std::string& path) {
    PlayingClaim claim;
    if (!claim.owned())
        return false;

    // Only a regular file: a FIFO would hold the manager's thread until a writer came, and a
    // device would play forever. libsndfile then reads only what the header says.
    const int fd = OpenRegularFile(path, nullptr);
    if (fd < 0)
        return false;
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open_fd(fd, SFM_READ, &info, SF_TRUE));
    if (!file) {
        ::close(fd);
        return false;
    }
    if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate <= 0)
        return false;
    if (info.frames == 0)
        return true;  // nothing to hear

    SNDFILE* handle = file.get();
    return PlayStream(info.channels, info.samplerate, [handle](int16_t* frames, long max_frames) -> long {
        const sf_count_t got = sf_readf_short(handle, frames, max_frames);
        if (got == 0 && sf_error(handle) != SF_ERR_NO_ERROR)
            return -1;
        return static_cast<long>(got);
    });
}

bool AlsaSoundPlayer::Beep(int frequency_hz, int duration_ms) {
    if (frequency_hz < kMinBeepHz || frequency_hz > kMaxBeepHz)
        return false;
    PlayingClaim claim;
    if (!claim.owned())
        return false;
    if (duration_ms <= 0)
        return true;

    const long total = static_cast<long>(static_cast<int64_t>(kBeepRate) * duration_ms / 1000);
    // A 1 ms ramp at both ends keeps the tone from clicking.
    const long ramp = std::min<long>(kBeepRate / 1000, total / 2);
    const double step = 2.0 * std::numbers::pi * frequency_hz / kBeepRate;
    long done = 0;
    return PlayStream(1, kBeepRate, [&](int16_t* frames, long max_frames) -> long {
        const long count = std::min(max_frames, total - done);
        for (long i = 0; i < count; ++i) {
            const long n = done + i;
            double gain = 0.5;
            if (ramp > 0)
                gain *= std::min({1.0, double(n) / ramp, double(total - 1 - n) / ramp});
            frames[i] = static_cast<int16_t>(std::lround(gain * 32767.0 * std::sin(step * n)));
        }
        done += count;
        return count;
    });
}

}  // namespace platform
