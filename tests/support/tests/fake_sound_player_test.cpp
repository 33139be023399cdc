#include "tests/support/fake_sound_player.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/test_wait.h"

namespace {

using namespace std::chrono_literals;
using platform::FakeSoundPlayer;
using Kind = FakeSoundPlayer::Call::Kind;

TEST(FakeSoundPlayerTest, HeldSoundRefusesOthersUntilReleased) {
    FakeSoundPlayer player;
    player.Hold();
    bool first = false;
    std::thread playing([&] { first = player.PlayWav("emile.wav"); });
    ASSERT_TRUE(player.WaitUntilPlaying(10s));

    EXPECT_FALSE(player.PlayWav("tick.wav"));
    EXPECT_FALSE(player.Beep(440, 10));

    player.Release();
    Bounded([&] { playing.join(); });
    EXPECT_TRUE(first);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_TRUE(player.PlayWav("tick.wav"));

    const auto calls = player.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].path, "emile.wav");
    EXPECT_TRUE(calls[0].result);
    EXPECT_FALSE(calls[1].result);
    EXPECT_EQ(calls[2].kind, Kind::kBeep);
    EXPECT_FALSE(calls[2].result);
    EXPECT_TRUE(calls[3].result);
}

TEST(FakeSoundPlayerTest, FailuresAreRecordedPerKind) {
    FakeSoundPlayer player;
    player.SetWavFails(true);
    EXPECT_FALSE(player.PlayWav("tick.wav"));
    EXPECT_TRUE(player.Beep(440, 10));
    player.SetBeepFails(true);
    EXPECT_FALSE(player.Beep(440, 10));

    const auto calls = player.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].kind, Kind::kBeep);
    EXPECT_EQ(calls[1].frequency_hz, 440);
    EXPECT_EQ(calls[1].duration_ms, 10);
    EXPECT_TRUE(player.WaitForCalls(3, 0ms));
    EXPECT_FALSE(player.WaitForCalls(4, 1ms));
}

}  // namespace
