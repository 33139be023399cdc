#include "runtime/timer_agent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/active_object.h"
#include "wait_until.h"

namespace {

// Records time-outs as the agent's thread delivers them.
class Target : public CLumAOSM_Observer {
public:
    int Receive(const CLumAOSM_Message* message, const char* tag) override {
        TimeoutInfo info;
        if (message->GetSignal() != AO_TIMEOUT_SIG || !message->GetParamValue(0, &info))
            return -1;
        if (onReceive)
            onReceive();
        std::lock_guard lock(mutex_);
        fired_.push_back(info.eventId);
        tags_.push_back(tag);
        return 0;
    }
    std::vector<int32_t> Fired() {
        std::lock_guard lock(mutex_);
        return fired_;
    }
    std::string LastTag() {
        std::lock_guard lock(mutex_);
        return tags_.empty() ? "" : tags_.back();
    }
    std::function<void()> onReceive;

private:
    std::mutex mutex_;
    std::vector<int32_t> fired_;
    std::vector<std::string> tags_;
};

// A manual agent stands in as the process's agent: time advances only by Ticks.
class TimerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(agent_.Start(nullptr));
        CLumAOSM_TimerAgent::SetProcess(&agent_);
    }
    void TearDown() override {
        CLumAOSM_TimerAgent::SetProcess(nullptr);
        agent_.Stop();
        Bounded([&] { return agent_.WaitUntilStopped(); });
    }

    // Queues n ticks and returns once the agent has handled them: a request queues behind them.
    void Ticks(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(agent_.Tick(), 0);
        CLumAOSM_Timer flush;
        ASSERT_TRUE(flush.StopTimer(nullptr, 0, "flush"));
    }
    // Ticks until the target has n time-outs; the number of ticks it took.
    int TicksUntilFired(size_t n, int limit = 100) {
        for (int tick = 1; tick <= limit; ++tick) {
            Ticks(1);
            if (target_.Fired().size() >= n)
                return tick;
        }
        return -1;
    }

    CLumAOSM_TimerAgent agent_{CLumAOSM_TimerAgent::Ticks::Manual};
    CLumAOSM_Timer timer_;
    Target target_;
};

}  // namespace

TEST_F(TimerTest, ShortTimeoutsAreStoredAsThirtyAndFireOnTheThirdTick) {
    for (int32_t timeout : {0, 10, 29}) {
        SCOPED_TRACE(timeout);
        const size_t before = target_.Fired().size();
        ASSERT_TRUE(timer_.StartTimer(&target_, timeout, timeout, 0, "short"));
        EXPECT_EQ(agent_.Slot(0).timeout, 30);
        EXPECT_EQ(TicksUntilFired(before + 1), 3);
    }
}

TEST_F(TimerTest, FiresAfterTheCeilingOfTimeoutOverTenTicks) {
    ASSERT_TRUE(timer_.StartTimer(&target_, 1, 100, 0, ""));
    EXPECT_EQ(TicksUntilFired(1), 10);
    ASSERT_TRUE(timer_.StartTimer(&target_, 2, 105, 0, ""));
    EXPECT_EQ(TicksUntilFired(2), 11);
    EXPECT_EQ(target_.Fired(), (std::vector<int32_t>{1, 2}));
}

TEST_F(TimerTest, TimeoutCarriesTheClientValuesAndIsTaggedWithTheKey) {
    struct Capture : CLumAOSM_Observer {
        int Receive(const CLumAOSM_Message* message, const char* tag) override {
            message->GetParamValue(0, &info);
            key = tag;
            return 0;
        }
        TimeoutInfo info;
        std::string key;
    } capture;
    ASSERT_TRUE(timer_.StartTimer(&capture, 7, 30, 1234, "alarm"));
    Ticks(3);
    EXPECT_EQ(capture.info.eventId, 7);
    EXPECT_EQ(capture.info.userValue, 1234);
    EXPECT_STREQ(capture.info.text, "alarm");
    EXPECT_EQ(capture.key, TimerKey(&timer_, &capture, 7, "alarm"));
}

TEST_F(TimerTest, DuplicateKeyIsRefusedAndTheFirstTimerIsUnchanged) {
    ASSERT_TRUE(timer_.StartTimer(&target_, 1, 50, 0, "dup"));
    Ticks(2);
    EXPECT_FALSE(timer_.StartTimer(&target_, 1, 300, 0, "dup"));
    EXPECT_EQ(TicksUntilFired(1), 3);  // 5 ticks in all, as first asked
    // The same key can be started again once it has fired.
    EXPECT_TRUE(timer_.StartTimer(&target_, 1, 30, 0, "dup"));
    EXPECT_EQ(TicksUntilFired(2), 3);
}

TEST_F(TimerTest, DifferentEventIdsAreIndependentTimers) {
    ASSERT_TRUE(timer_.StartTimer(&target_, 1, 30, 0, "same"));
    ASSERT_TRUE(timer_.StartTimer(&target_, 2, 60, 0, "same"));
    ASSERT_TRUE(timer_.StopTimer(&target_, 1, "same"));
    EXPECT_EQ(TicksUntilFired(1), 6);
    EXPECT_EQ(target_.Fired(), (std::vector<int32_t>{2}));
}

TEST_F(TimerTest, FiveHundredSlotsThenRefused) {
    for (int i = 0; i < CLumAOSM_TimerAgent::kSlotCount; ++i)
        ASSERT_TRUE(timer_.StartTimer(&target_, i, 1000, 0, "")) << i;
    EXPECT_FALSE(timer_.StartTimer(&target_, 500, 1000, 0, ""));
    ASSERT_TRUE(timer_.StopTimer(&target_, 250, ""));
    EXPECT_TRUE(timer_.StartTimer(&target_, 500, 1000, 0, ""));
    EXPECT_EQ(agent_.Slot(250).eventId, 500);  // the lowest free slot is taken
}

TEST_F(TimerTest, StopOfAnUnknownKeySucceeds) {
    EXPECT_TRUE(timer_.StopTimer(&target_, 99, "never started"));
}

TEST_F(TimerTest, StopPurgesATimeoutAlreadyQueuedInTheTarget) {
    struct Busy : CLumAOSM_ActiveObject {
        Busy() : CLumAOSM_ActiveObject(nullptr) {}
        ~Busy() override {
            gate.Open();
            StopAndWait();
        }
        CLumAOSM_Message Initial(CLumAOSM_Message&) override {
            InitialTransition(this, &Busy::Working);
            return Handled();
        }
        CLumAOSM_Message Working(CLumAOSM_Message& message) {
            if (message.GetSignal() == 40)
                gate.Pass();
            if (message.GetSignal() == AO_TIMEOUT_SIG)
                ++timeouts;
            return Handled();
        }
        Gate gate;
        std::atomic<int> timeouts{0};
    } busy;
    ASSERT_TRUE(busy.Start(nullptr));
    busy.Post(CLumAOSM_Message(40));
    ASSERT_TRUE(busy.gate.WaitArrived());

    ASSERT_TRUE(timer_.StartTimer(&busy, 1, 30, 0, "purge"));
    ASSERT_TRUE(timer_.StartTimer(&busy, 2, 30, 0, "keep"));
    Ticks(3);
    ASSERT_EQ(busy.Count(), 2);  // both time-outs wait in its queue
    ASSERT_TRUE(timer_.StopTimer(&busy, 1, "purge"));
    EXPECT_EQ(busy.Count(), 1);
    busy.gate.Open();
    ASSERT_TRUE(WaitUntil([&] { return busy.timeouts.load() == 1; }));
    busy.Post(CLumAOSM_Message(41));  // one more round trip: nothing else arrives
    ASSERT_TRUE(WaitUntil([&] { return busy.Count() == 0; }));
    EXPECT_EQ(busy.timeouts.load(), 1);
}

TEST_F(TimerTest, StartFromTheAgentsOwnThreadFailsInsteadOfDeadlocking) {
    std::atomic<int> outcome{-1};
    target_.onReceive = [&] { outcome = timer_.StartTimer(&target_, 9, 30, 0, "nested") ? 1 : 0; };
    ASSERT_TRUE(timer_.StartTimer(&target_, 1, 30, 0, ""));
    Ticks(3);
    EXPECT_EQ(outcome.load(), 0);
}

TEST(Timer, WithoutAnAgentStartAndStopFail) {
    ASSERT_EQ(CLumAOSM_TimerAgent::Process(), nullptr);
    CLumAOSM_Timer timer;
    Target target;
    EXPECT_FALSE(timer.StartTimer(&target, 1, 30, 0, ""));
    EXPECT_FALSE(timer.StopTimer(&target, 1, ""));
}

TEST(Timer, StoppedAgentRefusesWithoutWaiting) {
    CLumAOSM_TimerAgent agent(CLumAOSM_TimerAgent::Ticks::Manual);
    ASSERT_TRUE(agent.Start(nullptr));
    agent.Stop();
    Bounded([&] { return agent.WaitUntilStopped(); });
    CLumAOSM_TimerAgent::SetProcess(&agent);
    CLumAOSM_Timer timer;
    Target target;
    EXPECT_FALSE(timer.StartTimer(&target, 1, 30, 0, ""));
    CLumAOSM_TimerAgent::SetProcess(nullptr);
}

TEST(Timer, KeyFormat) {
    auto* timer = reinterpret_cast<const CLumAOSM_TimerBase*>(uintptr_t{0x1234});
    auto* target = reinterpret_cast<const CLumAOSM_Observer*>(uintptr_t{0xABCDEF});
    EXPECT_EQ(TimerKey(timer, target, 10, "text"), "TB00001234_TO00ABCDEF_TUE0000000A_ENtext");
    const std::string longText(80, 'x');
    EXPECT_EQ(TimerKey(timer, target, 10, longText.c_str()).size(), 36 + 63u);
}

TEST(Timer, TickThreadDrivesTheAgent) {
    CLumAOSM_TimerAgent agent;
    const ThreadStartParams params = ThreadStartParams::Named("T_TimerAgent");
    ASSERT_TRUE(agent.Start(&params));
    CLumAOSM_TimerAgent::SetProcess(&agent);
    CLumAOSM_Timer timer;
    Target target;
    ASSERT_TRUE(timer.StartTimer(&target, 3, 30, 0, ""));
    EXPECT_TRUE(WaitUntil([&] { return target.Fired().size() == 1; }));
    CLumAOSM_TimerAgent::SetProcess(nullptr);
    agent.Stop();
    EXPECT_EQ(Bounded([&] { return agent.WaitUntilStopped(); }), 0);  // its run ends the tick thread as well
}

namespace {

// Monotonic time moved by hand; remembers every deadline the tick thread slept towards.
class HandClock final : public CLumAOSM_TickClock {
public:
    static constexpr int64_t kBase = 1'000'000'000'000;

    int64_t Now() override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    // Puts tick 0 exactly on kBase.
    int64_t RealOffset() override { return CLumAOSM_Forever::kGridPhaseNs - kBase; }
    void SleepUntil(int64_t deadline) override {
        std::unique_lock lock(mutex_);
        sleeps_.push_back(deadline);
        cond_.notify_all();
        cond_.wait(lock, [&] { return woken_ || now_ >= deadline; });
        woken_ = false;
    }
    void Wake() override {
        std::lock_guard lock(mutex_);
        woken_ = true;
        cond_.notify_all();
    }
    void AdvanceTo(int64_t msAfterBase) {
        std::lock_guard lock(mutex_);
        now_ = kBase + msAfterBase * 1'000'000;
        cond_.notify_all();
    }
    // Waits until the tick thread sleeps towards the deadline (ms after kBase, -1: without end)
    // for the n-th time in all.
    bool WaitForSleep(int64_t msAfterBase, size_t n = 1) {
        const int64_t deadline = msAfterBase < 0 ? kForever : kBase + msAfterBase * 1'000'000;
        std::unique_lock lock(mutex_);
        return cond_.wait_for(lock, std::chrono::seconds(10), [&] {
            return static_cast<size_t>(std::count(sleeps_.begin(), sleeps_.end(), deadline)) >= n;
        });
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    int64_t now_ = kBase;
    bool woken_ = false;
    std::vector<int64_t> sleeps_;
};

}  // namespace

// The process's timer agent with its tick thread on a hand-moved clock, stopped at the end.
class TickThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(agent.Start(nullptr));
        CLumAOSM_TimerAgent::SetProcess(&agent);
        // Nothing armed: no tick at all.
        ASSERT_TRUE(clock.WaitForSleep(-1));
    }
    void TearDown() override {
        CLumAOSM_TimerAgent::SetProcess(nullptr);
        agent.Stop();
        EXPECT_EQ(Bounded([&] { return agent.WaitUntilStopped(); }), 0);
    }

    HandClock clock;
    CLumAOSM_TimerAgent agent{CLumAOSM_TimerAgent::Ticks::Thread, &clock};
    CLumAOSM_Timer timer;
    Target target;
};

TEST_F(TickThreadTest, TimerArmedWhileTheTickThreadSleepsFiresOnItsTick) {
    ASSERT_TRUE(timer.StartTimer(&target, 1, 1000, 0, "long"));  // tick 100
    ASSERT_TRUE(clock.WaitForSleep(1000));
    clock.AdvanceTo(255);                                        // tick 25 under way, unseen by anyone
    ASSERT_TRUE(timer.StartTimer(&target, 2, 100, 0, "short"));  // tick 25 + 10
    ASSERT_TRUE(clock.WaitForSleep(350));

    clock.AdvanceTo(349);
    CLumAOSM_Timer flush;  // a round trip: the agent counts the ticks so far
    ASSERT_TRUE(flush.StopTimer(nullptr, 0, "flush"));
    EXPECT_TRUE(target.Fired().empty());
    clock.AdvanceTo(350);
    ASSERT_TRUE(WaitUntil([&] { return target.Fired().size() == 1; }));
    ASSERT_TRUE(clock.WaitForSleep(1000, 2));
    EXPECT_EQ(target.Fired(), (std::vector<int32_t>{2}));

    // A tick thread that wakes late still fires each one on its own tick, in order.
    ASSERT_TRUE(timer.StartTimer(&target, 3, 700, 0, "late"));  // tick 35 + 70, after the long one
    clock.AdvanceTo(2000);
    ASSERT_TRUE(WaitUntil([&] { return target.Fired().size() == 3; }));
    EXPECT_EQ(target.Fired(), (std::vector<int32_t>{2, 1, 3}));
    ASSERT_TRUE(clock.WaitForSleep(-1, 2));
}

TEST_F(TickThreadTest, PeriodicTimerFiresOnEveryPeriodsTickUntilStopped) {
    ASSERT_TRUE(timer.StartPeriodicTimer(&target, 1, 1000, 0, "period"));
    ASSERT_TRUE(clock.WaitForSleep(1000));
    clock.AdvanceTo(1000);
    ASSERT_TRUE(WaitUntil([&] { return target.Fired().size() == 1; }));
    // Told ahead of the next period, the thread sleeps towards it.
    ASSERT_TRUE(clock.WaitForSleep(2000));

    // Woken late, it still counts every period on its own tick.
    clock.AdvanceTo(3999);
    ASSERT_TRUE(WaitUntil([&] { return target.Fired().size() == 3; }));
    ASSERT_TRUE(clock.WaitForSleep(4000));
    // Stopped, the period's tick passes without a time-out and the thread sleeps without end.
    ASSERT_TRUE(timer.StopTimer(&target, 1, "period"));
    clock.AdvanceTo(4000);
    ASSERT_TRUE(clock.WaitForSleep(-1, 2));
    EXPECT_EQ(target.Fired().size(), 3u);
}
