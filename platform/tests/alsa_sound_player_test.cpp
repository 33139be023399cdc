#include "platform/alsa_sound_player.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_wait.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDataDir = TIKO3_SOURCE_DATA_DIR;

std::vector<int16_t> Ramp(size_t samples) {
    std::vector<int16_t> out(samples);
    for (size_t i = 0; i < samples; ++i)
        out[i] = static_cast<int16_t>((i * 37) % 65536 - 32768);
    return out;
}

void WriteWav(const fs::path& path, const std::vector<int16_t>& samples, int channels, int rate) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    ASSERT_EQ(sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size())),
              static_cast<sf_count_t>(samples.size()));
    sf_close(file);
}

// Points ALSA's "default" device at a file (or a FIFO) of a temporary HOME,
// which works on machines without a sound card and shows what was played.
class AlsaSoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* home = std::getenv("HOME"))
            saved_home_ = home;
        setenv("HOME", dir_.c_str(), 1);
        out_ = dir_ / "OUT.raw";
        RouteDefault("{ type file; slave.pcm \"null\"; file \"" + out_.string() + "\"; format \"raw\" }");
    }

    void TearDown() override {
        if (saved_home_) {
            setenv("HOME", saved_home_->c_str(), 1);
        } else {
            unsetenv("HOME");
        }
        snd_config_update_free_global();
    }

    void RouteDefault(const std::string& definition) {
        std::ofstream(dir_ / ".asoundrc") << "pcm.!default " << definition << "\n";
        snd_config_update_free_global();  // reread the configuration at the next open
    }

    size_t FramesOut(int channels) const {
        return fs::exists(out_) ? fs::file_size(out_) / (2 * channels) : 0;
    }

    TempDir temp_{"tiko3-sound"};
    const fs::path dir_ = temp_.path();
    fs::path out_;
    std::optional<std::string> saved_home_;
    platform::AlsaSoundPlayer player_;
};

TEST_F(AlsaSoundPlayerTest, PlaysEverySampleOfTheFileUnchanged) {
    const std::vector<int16_t> samples = Ramp(2 * 3000);
    WriteWav(dir_ / "stereo.wav", samples, 2, 22050);

    ASSERT_TRUE(player_.PlayWav((dir_ / "stereo.wav").string()));

    const std::string raw = ReadFile(out_);
    ASSERT_EQ(raw.size(), samples.size() * 2);
    EXPECT_EQ(0, std::memcmp(raw.data(), samples.data(), raw.size()));
}

TEST_F(AlsaSoundPlayerTest, BeepIsATenMillisecondToneAt44100Hz) {
    ASSERT_TRUE(player_.Beep(440, 10));

    const std::string raw = ReadFile(out_);
    ASSERT_EQ(raw.size(), 441u * 2);
    std::vector<int16_t> tone(441);
    std::memcpy(tone.data(), raw.data(), raw.size());
    int crossings = 0;
    for (size_t i = 1; i < tone.size(); ++i)
        crossings += (tone[i - 1] < 0) != (tone[i] < 0);
    EXPECT_GE(crossings, 7);  // 4.4 periods of 440 Hz in 10 ms
    EXPECT_LE(crossings, 10);

    EXPECT_FALSE(player_.Beep(20, 10));
    EXPECT_FALSE(player_.Beep(40000, 10));
}

TEST_F(AlsaSoundPlayerTest, SecondSoundWhileOneIsPlayingFailsAtOnce) {
    // The device writes into a FIFO that nobody drains, so the first sound
    // stays "playing" for as long as the test wants.
    const fs::path fifo = dir_ / "OUT.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    RouteDefault("{ type file; slave.pcm \"null\"; file \"" + fifo.string() + "\"; format \"raw\" }");
    const std::vector<int16_t> samples = Ramp(88200);  // 176 kB, well over a pipe's 64 kB
    WriteWav(dir_ / "long.wav", samples, 1, 44100);

    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    bool first = false;
    std::thread playing([&] { first = player_.PlayWav((dir_ / "long.wav").string()); });

    std::string received;
    char buffer[65536];
    auto read_some = [&](int bound_ms) {
        pollfd ready{reader, POLLIN, 0};
        if (poll(&ready, 1, bound_ms) <= 0)
            return false;
        const ssize_t got = read(reader, buffer, sizeof buffer);
        if (got > 0)
            received.append(buffer, static_cast<size_t>(got));
        return got > 0;
    };
    ASSERT_TRUE(read_some(10000));

    // The first sound cannot end before the FIFO is drained.
    platform::AlsaSoundPlayer other;
    EXPECT_FALSE(other.PlayWav((dir_ / "long.wav").string()));
    EXPECT_FALSE(player_.Beep(440, 10));

    while (read_some(10000)) {
    }
    Bounded([&] { playing.join(); });
    close(reader);
    EXPECT_TRUE(first);
    EXPECT_EQ(received.size(), samples.size() * 2);

    RouteDefault("{ type file; slave.pcm \"null\"; file \"" + out_.string() + "\"; format \"raw\" }");
    EXPECT_TRUE(other.Beep(440, 10));
}

TEST_F(AlsaSoundPlayerTest, MissingOrBrokenFileFailsWithoutPlaying) {
    EXPECT_FALSE(player_.PlayWav((dir_ / "absent.wav").string()));
    EXPECT_FALSE(player_.PlayWav(dir_.string()));
    // A FIFO without a writer is refused, not waited on by the alarm's thread.
    ASSERT_EQ(::mkfifo((dir_ / "fifo.wav").c_str(), 0600), 0);
    EXPECT_EQ(InChild([&] { return player_.PlayWav((dir_ / "fifo.wav").string()) ? 1 : 0; },
                      std::chrono::seconds(20)),
              0);

    using namespace std::string_literals;
    std::ofstream(dir_ / "garbage.wav", std::ios::binary) << "RIFF\x10\0\0\0WAVEjunk, no format chunk"s;
    EXPECT_FALSE(player_.PlayWav((dir_ / "garbage.wav").string()));

    WriteWav(dir_ / "good.wav", Ramp(1000), 1, 8000);
    const std::string whole = ReadFile(dir_ / "good.wav");
    std::ofstream(dir_ / "cut.wav", std::ios::binary) << whole.substr(0, 20);
    EXPECT_FALSE(player_.PlayWav((dir_ / "cut.wav").string()));
    EXPECT_EQ(FramesOut(1), 0u);

    // A failure leaves the player free for the next sound.
    EXPECT_TRUE(player_.PlayWav((dir_ / "good.wav").string()));
    EXPECT_EQ(FramesOut(1), 1000u);
}

TEST_F(AlsaSoundPlayerTest, NoSoundDeviceFailsQuietly) {
    RouteDefault("{ type plug; slave.pcm \"tiko3_no_such_device\" }");
    WriteWav(dir_ / "good.wav", Ramp(1000), 1, 8000);

    ::testing::internal::CaptureStderr();
    const bool played = player_.PlayWav((dir_ / "good.wav").string());
    const bool beeped = player_.Beep(440, 10);
    const std::string printed = ::testing::internal::GetCapturedStderr();

    EXPECT_FALSE(played);
    EXPECT_FALSE(beeped);
    EXPECT_EQ(printed, "");
}

TEST_F(AlsaSoundPlayerTest, ShippedSoundsAreAShortTickAndAChimeOfSeconds) {
    for (const char* name : {"tick.wav", "emile.wav"}) {
        SF_INFO info{};
        SNDFILE* file = sf_open((kDataDir / name).c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << name;
        sf_close(file);
        const double seconds = double(info.frames) / info.samplerate;
        if (std::string(name) == "tick.wav") {
            EXPECT_LE(seconds, 0.05);
        } else {
            EXPECT_GE(seconds, 2.0);
            EXPECT_LE(seconds, 6.0);
        }

        fs::remove(out_);
        ASSERT_TRUE(player_.PlayWav((kDataDir / name).string())) << name;
        EXPECT_EQ(FramesOut(info.channels), static_cast<size_t>(info.frames)) << name;
    }
}

}  // namespace
