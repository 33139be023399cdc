#include "runtime/config.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>

#include "runtime/active_object.h"
#include "runtime/mediator.h"
#include "runtime/timer_agent.h"
#include "wait_until.h"

namespace {

struct Runtime : CLumAOSM_Config {
    int CreateManagers() override { return 0; }
    int DestroyManagers() override { return 0; }
};

// Waits for one time-out in a state, and subscribes to one application signal.
class Waiter : public CLumAOSM_ActiveObject {
public:
    explicit Waiter(CLumAOSM_Mediator* mediator) : CLumAOSM_ActiveObject(mediator) { SetName("Waiter"); }
    ~Waiter() override {
        if (IsRunning()) {
            Stop();
            WaitUntilStopped();
        }
    }
    CLumAOSM_Message Initial(CLumAOSM_Message&) override {
        Mediator()->Subscribe(this, AO_SYNC_COMPARE_SIG);
        InitialTransition(this, &Waiter::Waiting);
        return Handled();
    }
    CLumAOSM_Message Waiting(CLumAOSM_Message& message) {
        switch (message.GetSignal()) {
            case AO_ENTRY_SIG:
                armed = timer_.StartTimer(this, 1, 50, 0, "wait");
                return Handled();
            case AO_EXIT_SIG:
                timer_.StopTimer(this, 1, "wait");
                exited = true;
                return Handled();
            case AO_TIMEOUT_SIG:
                ++timeouts;
                return Handled();
            case AO_SYNC_COMPARE_SIG:
                ++published;
                return Handled();
            default:
                return DefaultHandler(message);
        }
    }

    std::atomic<bool> armed{false};
    std::atomic<bool> exited{false};
    std::atomic<int> timeouts{0};
    std::atomic<int> published{0};

private:
    CLumAOSM_Timer timer_;
};

}  // namespace

TEST(Config, ServicesWorkBeforeAnyApplicationObjectAndAreGoneAfterwards) {
    {
        Runtime runtime;
        ASSERT_TRUE(runtime.IsRunning());
        ASSERT_NE(CLumAOSM_Mediator::Process(), nullptr);
        ASSERT_NE(CLumAOSM_TimerAgent::Process(), nullptr);
        EXPECT_TRUE(WaitUntil([] {
            const auto names = ThreadNames();
            return names.count("T_TimerAgent") == 1 && names.count("T_Forever_Timer") == 1;
        }));

        Waiter waiter(CLumAOSM_Mediator::Process());
        ASSERT_TRUE(waiter.Start(nullptr));
        EXPECT_TRUE(WaitUntil([&] { return waiter.timeouts.load() == 1; }));
        EXPECT_TRUE(waiter.armed.load());
        CLumAOSM_Mediator::Process()->Publish(CLumAOSM_Message(AO_SYNC_COMPARE_SIG));
        EXPECT_TRUE(WaitUntil([&] { return waiter.published.load() == 1; }));
        waiter.Stop();
        Bounded([&] { return waiter.WaitUntilStopped(); });
        EXPECT_TRUE(waiter.exited.load());
    }
    EXPECT_EQ(CLumAOSM_Mediator::Process(), nullptr);
    EXPECT_EQ(CLumAOSM_TimerAgent::Process(), nullptr);
    CLumAOSM_Timer timer;
    CLumAOSM_Observer target;
    EXPECT_FALSE(timer.StartTimer(&target, 1, 30, 0, ""));
    auto runtimeThreads = [] {
        const auto names = ThreadNames();
        return std::count_if(names.begin(), names.end(),
                             [](const std::string& n) { return n.rfind("T_", 0) == 0; });
    };
    EXPECT_TRUE(WaitUntil([&] { return runtimeThreads() == 0; }));
}

TEST(Config, ShutdownStopsAnObjectThatIsStillSubscribed) {
    auto runtime = std::make_unique<Runtime>();
    Waiter waiter(CLumAOSM_Mediator::Process());
    ASSERT_TRUE(waiter.Start(nullptr));
    ASSERT_TRUE(WaitUntil([&] { return waiter.armed.load(); }));
    Bounded([&] { runtime.reset(); });  // publishes the kill signal before the services go
    EXPECT_EQ(Bounded([&] { return waiter.WaitUntilStopped(); }), 0);
    EXPECT_TRUE(waiter.exited.load());
    EXPECT_FALSE(waiter.IsActive());
}
