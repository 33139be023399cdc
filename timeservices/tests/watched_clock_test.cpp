// The managers on a clock that tells of its setting: each sleeps until its next due moment and
// looks again at once when told that the clock was set.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "manager_harness.h"
#include "timeservices/clock_src_mgr.h"
#include "timeservices/comm_mgr.h"
#include "timeservices/sche_mgr.h"
#include "timeservices/sync_mgr.h"

namespace {

using harness::kSeoul;
using harness::kStart;

// A manual agent (time moves only by Tick) that keeps the time-out of every start request.
class RecordingAgent final : public CLumAOSM_TimerAgent {
public:
    RecordingAgent() : CLumAOSM_TimerAgent(Ticks::Manual) {}
    ~RecordingAgent() override { StopAndWait(); }
    int Dispatch(CLumAOSM_Message* message) override {
        TimerSlot request;
        if (message->GetSignal() == AO_TIMERAGENT_START_TIMER_SIG && message->GetParamValue(0, &request)) {
            std::lock_guard lock(mutex_);
            starts_.push_back(request.timeout);
        }
        return CLumAOSM_TimerAgent::Dispatch(message);
    }
    // The time-out of the n-th start (from 1), once it has been asked for; -1 if it never is.
    int32_t Armed(size_t n) {
        int32_t timeout = -1;
        harness::WaitUntil([&] {
            std::lock_guard lock(mutex_);
            if (starts_.size() < n)
                return false;
            timeout = starts_[n - 1];
            return true;
        });
        return timeout;
    }
    // Exactly the ticks on which a time-out of `ms` fires.
    void TicksFor(int32_t ms) {
        for (int i = 0; i < (ms + 9) / 10; ++i)
            Tick();
    }

private:
    std::mutex mutex_;
    std::vector<int32_t> starts_;
};

class WatchedClockTest : public testing::Test {
protected:
    WatchedClockTest() {
        agent.Start(nullptr);
        CLumAOSM_TimerAgent::SetProcess(&agent);
        mediator.Start(nullptr);
        CLumAOSM_Mediator::SetProcess(&mediator);
        recorder = std::make_unique<harness::Recorder>(
            &mediator,
            std::initializer_list<int32_t>{AO_CLOCK_TICK_SIG, AO_SYNC_RESULT_SIG, AO_ALARM_NOTIFY_SIG});
    }
    ~WatchedClockTest() override {
        recorder.reset();
        mediator.Stop();
        Bounded([&] { return mediator.WaitUntilStopped(); });
        CLumAOSM_Mediator::SetProcess(nullptr);
        agent.Stop();
        Bounded([&] { return agent.WaitUntilStopped(); });
        CLumAOSM_TimerAgent::SetProcess(nullptr);
    }
    CTiko_Services Services() {
        CTiko_Services s = fx.Services();
        s.clockWatch = &watch;
        s.query = [this](TimeNotice& notice) {
            queries.fetch_add(1);
            notice.bAnswered = false;
            return false;
        };
        return s;
    }
    void SetClock(int64_t seconds, int32_t ms) { fx.clock.fake.Set({seconds, ms * 1'000'000}); }

    RecordingAgent agent;
    CLumAOSM_Mediator mediator;
    platform::ClockSetWatch watch;
    harness::Fixture fx;
    std::unique_ptr<harness::Recorder> recorder;
    std::atomic<int> queries{0};
};

TEST_F(WatchedClockTest, ClockSourceLooksJustAfterEachSecondAndAtOnceWhenTheClockIsSet) {
    SetClock(kStart, 300);
    harness::Running<CTiko_ClockSrcMgr> mgr(&mediator, Services());
    EXPECT_EQ(agent.Armed(1), CTiko_ClockSrcMgr::kFirstCheckMs);
    // Each check arms for 2 ms past the next second, counted from the clock it reads then.
    const struct {
        int32_t ms;
        int32_t armed;
    } cases[] = {{300, 702}, {0, 1002}, {999, 30}};
    size_t starts = 1;
    int64_t second = kStart;
    for (const auto& c : cases) {
        SetClock(++second, c.ms);
        agent.TicksFor(agent.Armed(starts));
        EXPECT_EQ(agent.Armed(++starts), c.armed) << c.ms;
    }
    ASSERT_TRUE(recorder->WaitForCount(AO_CLOCK_TICK_SIG, 3));
    // Set back: published without a tick of the timer.
    SetClock(kStart - 3600, 500);
    watch.Notify();
    ASSERT_TRUE(recorder->WaitForCount(AO_CLOCK_TICK_SIG, 4));
    EXPECT_EQ(recorder->All(AO_CLOCK_TICK_SIG).back().notice.tTime, kStart - 3600 + kSeoul);
    EXPECT_EQ(agent.Armed(++starts), 502);
}

TEST_F(WatchedClockTest, ClockSourceKeepsAOneSecondPeriodWhileItsChecksComeOnTheirTick) {
    SetClock(kStart, 300);
    harness::Running<CTiko_ClockSrcMgr> mgr(&mediator, Services());
    EXPECT_EQ(agent.Armed(1), CTiko_ClockSrcMgr::kFirstCheckMs);
    // A check just past its second starts the period; the next ones need no start request.
    SetClock(kStart + 1, 3);
    agent.TicksFor(CTiko_ClockSrcMgr::kFirstCheckMs);
    ASSERT_TRUE(recorder->WaitForCount(AO_CLOCK_TICK_SIG, 1));
    EXPECT_EQ(agent.Armed(2), CTiko_ClockSrcMgr::kSecondMs);
    SetClock(kStart + 2, 7);
    agent.TicksFor(CTiko_ClockSrcMgr::kSecondMs);
    ASSERT_TRUE(recorder->WaitForCount(AO_CLOCK_TICK_SIG, 2));
    // A late one goes back to a one-shot counted from the clock.
    SetClock(kStart + 3, 40);
    agent.TicksFor(CTiko_ClockSrcMgr::kSecondMs);
    ASSERT_TRUE(recorder->WaitForCount(AO_CLOCK_TICK_SIG, 3));
    EXPECT_EQ(agent.Armed(3), 962);
    EXPECT_EQ(recorder->All(AO_CLOCK_TICK_SIG).back().notice.tTime, kStart + 3 + kSeoul);
}

// A tick sound plays to its end before the next check is armed: the check still came on its tick.
TEST_F(WatchedClockTest, ClockSourceKeepsItsPeriodWhileTheTickSoundPlays) {
    class SlowSound final : public platform::ISoundPlayer {
    public:
        explicit SlowSound(platform::FakeClock& clock) : clock_(clock) {}
        bool PlayWav(const std::string&) override {
            clock_.Advance(40'000'000);
            return true;
        }
        bool Beep(int, int) override { return PlayWav({}); }

    private:
        platform::FakeClock& clock_;
    } sound(fx.clock.fake);
    fx.conf->Env()->bMainVisible = 1;
    fx.conf->Env()->bSound = 1;
    CTiko_Services services = Services();
    services.sound = &sound;
    SetClock(kStart, 300);
    harness::Running<CTiko_ClockSrcMgr> mgr(&mediator, services);
    EXPECT_EQ(agent.Armed(1), CTiko_ClockSrcMgr::kFirstCheckMs);
    SetClock(kStart + 1, 3);
    agent.TicksFor(CTiko_ClockSrcMgr::kFirstCheckMs);
    ASSERT_TRUE(recorder->WaitForCount(AO_CLOCK_TICK_SIG, 1));
    EXPECT_EQ(agent.Armed(2), CTiko_ClockSrcMgr::kSecondMs);
}

TEST_F(WatchedClockTest, SyncSleepsUntilThePeriodEndsAtMostTenSecondsAtATime) {
    fx.conf->SyncInfo()->bAutoSync = 1;
    fx.conf->SyncInfo()->nSyncPeriod = 60;
    SetClock(kStart, 250);
    harness::Running<CTiko_SyncMgr> mgr(&mediator, Services());
    EXPECT_EQ(agent.Armed(1), CTiko_SyncMgr::kLongestSleepMs);
    agent.TicksFor(10'000);
    EXPECT_EQ(agent.Armed(2), CTiko_SyncMgr::kLongestSleepMs);
    // Set forward to a second before the period ends: look now, then at its end.
    SetClock(kStart + 3599, 250);
    watch.Notify();
    EXPECT_EQ(agent.Armed(3), 752);
    EXPECT_EQ(queries.load(), 0);
    SetClock(kStart + 3600, 2);
    agent.TicksFor(752);
    ASSERT_TRUE(recorder->WaitForCount(AO_SYNC_RESULT_SIG, 1));
    EXPECT_EQ(agent.Armed(4), CTiko_SyncMgr::kLongestSleepMs);
    EXPECT_EQ(queries.load(), 1);
    // Set past a whole period: synchronised at once.
    SetClock(kStart + 7300, 0);
    watch.Notify();
    ASSERT_TRUE(recorder->WaitForCount(AO_SYNC_RESULT_SIG, 2));
    EXPECT_EQ(agent.Armed(5), CTiko_SyncMgr::kLongestSleepMs);
}

TEST_F(WatchedClockTest, SerialTransmissionSleepsUntilItsPeriodEnds) {
    Class_TIKOCONF_COMM& comm = *fx.conf->Comm();
    comm.bAutoMode = 1;
    comm.nInterval = 10;
    comm.nIntervalUnit = 0;
    comm.nCompensationMs = 500;
    SetClock(kStart, 100);
    fx.clock.fake.SetStepPerRead(20'000);  // the catch of the second reads until it moves on
    harness::Running<CTiko_CommMgr> mgr(&mediator, Services());
    // The first telegram left about 500 ms into the first second.
    const int32_t armed = agent.Armed(1);
    EXPECT_GE(armed, 10'000 - 535 + 2);
    EXPECT_LE(armed, 10'000 - 465 + 2);
    comm.nIntervalUnit = 1;  // ten minutes, edited without a signal
    agent.TicksFor(armed);
    EXPECT_EQ(agent.Armed(2), CTiko_CommMgr::kLongestSleepMs);
}

TEST_F(WatchedClockTest, AlarmsAreLookedAtJustAfterEachMinuteAndAtOnceWhenTheClockIsSet) {
    fx.clock.fake.SetLocalOffset(kSeoul);
    fx.conf->Alarm()->bAlarm = 1;
    auto item = std::make_unique<Class_TIKOSCHEDULE>();
    fx.clock.SetLocal(2026, 12, 8, 9, 0, 0);
    item->tWhen = fx.clock.fake.NowUtc().seconds;
    item->bAlarmOnTime = true;
    fx.book->AddItem(std::move(item));
    fx.clock.SetLocal(2026, 12, 8, 8, 59, 30, 250);
    harness::Running<CTiko_ScheMgr> mgr(&mediator, Services());
    EXPECT_EQ(agent.Armed(1), 29'752);
    fx.clock.SetLocal(2026, 12, 8, 9, 0, 0, 0);
    watch.Notify();
    ASSERT_TRUE(recorder->WaitForCount(AO_ALARM_NOTIFY_SIG, 1));
    EXPECT_EQ(agent.Armed(2), 60'002);
}

}  // namespace
