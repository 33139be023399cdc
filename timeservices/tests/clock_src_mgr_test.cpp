#include "timeservices/clock_src_mgr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "manager_harness.h"

namespace {

using Kind = platform::FakeSoundPlayer::Call::Kind;

using harness::kStart;

class ClockSrcMgrTest : public testing::Test {
protected:
    std::unique_ptr<harness::Running<CTiko_ClockSrcMgr>> Start() {
        auto mgr = std::make_unique<harness::Running<CTiko_ClockSrcMgr>>(runtime.mediator(), fx.Services());
        EXPECT_TRUE(recorder.WaitForCount(AO_CLOCK_TICK_SIG, 1));
        return mgr;
    }
    // Moves to the next second and waits until it has been published and its tick handled.
    void NextSecond(size_t expectedTicks) {
        fx.clock.fake.AdvanceSeconds(1);
        ASSERT_TRUE(recorder.WaitForCount(AO_CLOCK_TICK_SIG, expectedTicks));
        ASSERT_TRUE(fx.clock.WaitForReads(1));
    }
    int64_t LastTick() const { return recorder.All(AO_CLOCK_TICK_SIG).back().notice.tTime; }

    harness::Runtime runtime;
    harness::Recorder recorder{runtime.mediator(), {AO_CLOCK_TICK_SIG}};
    harness::Fixture fx;
};

TEST(ClockSrcMgr, OnePublicationPerSecondShowingKoreanTimeInAnyZone) {
    harness::Fixture fx;
    for (int64_t offset : {int64_t{-5 * 3600}, int64_t{0}, int64_t{9 * 3600}, int64_t{5 * 3600 + 1800}}) {
        harness::Runtime localRuntime;
        harness::Recorder ticks(localRuntime.mediator(), {AO_CLOCK_TICK_SIG});
        fx.clock.fake.Set({kStart, 300'000'000});
        fx.clock.fake.SetLocalOffset(offset);
        harness::Running<CTiko_ClockSrcMgr> mgr(localRuntime.mediator(), fx.Services());
        ASSERT_TRUE(ticks.WaitForCount(AO_CLOCK_TICK_SIG, 1));
        EXPECT_TRUE(fx.clock.WaitForReads(3));
        EXPECT_EQ(ticks.Count(AO_CLOCK_TICK_SIG), 1u);
        // The published second is UTC+9 whatever the local zone.
        const int64_t first = ticks.All(AO_CLOCK_TICK_SIG)[0].notice.tTime;
        EXPECT_EQ(first, kStart + 9 * 3600) << offset;
        fx.clock.fake.AdvanceSeconds(1);
        ASSERT_TRUE(ticks.WaitForCount(AO_CLOCK_TICK_SIG, 2));
        EXPECT_EQ(ticks.All(AO_CLOCK_TICK_SIG)[1].notice.tTime, first + 1);
    }
}

TEST(KoreanSecond, SystemClockShowsKoreanTimeWhateverTz) {
    const char* saved = std::getenv("TZ");
    const std::string restore = saved != nullptr ? saved : "";
    platform::SystemClock clock;
    // Zones with daylight saving included: the second never depends on TZ.
    for (const char* zone : {"UTC0", "EST5EDT,M3.2.0,M11.1.0", "KST-9", "<+0530>-5:30", "America/New_York"}) {
        setenv("TZ", zone, 1);
        tzset();
        const int64_t before = clock.NowUtc().seconds;
        const calendar::CivilTime shown = calendar::CivilFromUnix(KoreanSecond(clock));
        const int64_t after = clock.NowUtc().seconds;
        const int64_t shownUtc = calendar::UnixFromCivil(shown) - 9 * 3600;
        EXPECT_GE(shownUtc, before) << zone;
        EXPECT_LE(shownUtc, after + 1) << zone;
    }
    if (saved != nullptr)
        setenv("TZ", restore.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST_F(ClockSrcMgrTest, ClockSetBackPublishesTheEarlierSecond) {
    fx.clock.fake.Set({kStart, 0});
    auto mgr = Start();
    const int64_t first = LastTick();
    fx.clock.fake.Set({kStart - 10, 0});
    ASSERT_TRUE(recorder.WaitForCount(AO_CLOCK_TICK_SIG, 2));
    EXPECT_EQ(LastTick(), first - 10);
}

TEST_F(ClockSrcMgrTest, TickSoundsOnlyWhenShownWithSoundOn) {
    Class_TIKOCONF_ENV& env = *fx.conf->Env();
    env.bSound = 0;
    env.bMainVisible = 1;
    auto mgr = Start();
    EXPECT_TRUE(fx.clock.WaitForReads(1));
    size_t ticks = 1;
    const std::pair<int, int> quiet[] = {{0, 1}, {1, 0}, {0, 0}};
    for (const auto& [sound, visible] : quiet) {
        env.bSound = sound;
        env.bMainVisible = visible;
        NextSecond(++ticks);
    }
    EXPECT_TRUE(fx.sound.Calls().empty());
    env.bSound = 1;
    env.bMainVisible = 1;
    NextSecond(++ticks);
    const auto calls = fx.sound.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, Kind::kWav);
    EXPECT_EQ(calls[0].path, "tick.wav");
}

TEST_F(ClockSrcMgrTest, FailingTickFileGivesTheBeepEverySecond) {
    fx.conf->Env()->bSound = 1;
    fx.sound.SetWavFails(true);
    auto mgr = Start();
    NextSecond(2);
    ASSERT_TRUE(fx.sound.WaitForCalls(4, harness::kBound));
    const auto calls = fx.sound.Calls();
    for (size_t i = 0; i < 4; i += 2) {
        EXPECT_EQ(calls[i].kind, Kind::kWav);
        EXPECT_FALSE(calls[i].result);
        EXPECT_EQ(calls[i + 1].kind, Kind::kBeep);
        EXPECT_EQ(calls[i + 1].frequency_hz, 440);
        EXPECT_EQ(calls[i + 1].duration_ms, 10);
    }
}

}  // namespace
