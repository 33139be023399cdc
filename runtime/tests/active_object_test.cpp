#include "runtime/active_object.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "wait_until.h"

namespace {

using Log = std::vector<std::string>;

constexpr int32_t kGoB = 40;        // A -> B
constexpr int32_t kTwice = 41;      // A -> B, then A -> C in the same call
constexpr int32_t kPlain = 42;      // handled where it arrives
constexpr int32_t kUnhandled = 43;  // left to the default handler

class ThreeStates : public CLumAOSM_ActiveObject {
public:
    explicit ThreeStates(CLumAOSM_Mediator* mediator, const char* name = "ThreeStates")
        : CLumAOSM_ActiveObject(mediator) {
        SetName(name);
    }
    ~ThreeStates() override {
        if (IsRunning()) {
            Stop();
            WaitUntilStopped();
        }
    }

    CLumAOSM_Message Initial(CLumAOSM_Message& message) override {
        Record("Initial", message);
        InitialTransition(this, &ThreeStates::A);
        return Handled();
    }
    CLumAOSM_Message A(CLumAOSM_Message& message) {
        Record("A", message);
        switch (message.GetSignal()) {
            case kGoB:
                Transition(this, &ThreeStates::B);
                return Handled();
            case kTwice:
                Transition(this, &ThreeStates::B);
                Transition(this, &ThreeStates::C);
                return Handled();
            case AO_ENTRY_SIG:
            case AO_EXIT_SIG:
            case kPlain:
                return Handled();
            default:
                lastDefault = DefaultHandler(message).GetSignal();
                return Handled();
        }
    }
    CLumAOSM_Message B(CLumAOSM_Message& message) {
        Record("B", message);
        return message.GetSignal() < AO_USER_SIG && message.GetSignal() > AO_EXIT_SIG
                   ? DefaultHandler(message)
                   : Handled();
    }
    CLumAOSM_Message C(CLumAOSM_Message& message) {
        Record("C", message);
        return message.GetSignal() < AO_USER_SIG && message.GetSignal() > AO_EXIT_SIG
                   ? DefaultHandler(message)
                   : Handled();
    }

    Log Entries() {
        std::lock_guard lock(mutex_);
        return log_;
    }
    bool Logged(const std::string& line) {
        Log log = Entries();
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    std::atomic<int32_t> lastDefault{-1};

private:
    void Record(const char* state, const CLumAOSM_Message& message) {
        const int32_t signal = message.GetSignal();
        std::string name = signal == AO_ENTRY_SIG  ? "ENTRY"
                           : signal == AO_EXIT_SIG ? "EXIT"
                                                   : std::to_string(signal);
        std::lock_guard lock(mutex_);
        log_.push_back(std::string(state) + ":" + name);
    }

    std::mutex mutex_;
    Log log_;
};

}  // namespace

TEST(ActiveObject, StartDeliversOneEntryToInitialAndOneToTheFirstState) {
    ThreeStates object(nullptr);
    ASSERT_TRUE(object.Start(nullptr));
    object.Post(CLumAOSM_Message(kPlain));
    ASSERT_TRUE(WaitUntil([&] { return object.Logged("A:42"); }));
    EXPECT_EQ(object.Entries(), (Log{"Initial:ENTRY", "A:ENTRY", "A:42"}));
}

TEST(ActiveObject, PublicationAfterInitialisationReachesASubscriptionMadeInInitial) {
    struct Subscriber : ThreeStates {
        using ThreeStates::ThreeStates;
        CLumAOSM_Message Initial(CLumAOSM_Message& message) override {
            Mediator()->Subscribe(this, kPlain);
            return ThreeStates::Initial(message);
        }
    };
    CLumAOSM_Mediator mediator;
    ASSERT_TRUE(mediator.Start(nullptr));
    Subscriber object(&mediator);
    EXPECT_FALSE(object.IsInitialised());
    ASSERT_TRUE(object.Start(nullptr));
    ASSERT_TRUE(WaitUntil([&] { return object.IsInitialised(); }));
    mediator.Publish(CLumAOSM_Message(kPlain));
    EXPECT_TRUE(WaitUntil([&] { return object.Logged("A:42"); }));
    object.Stop();
    Bounded([&] { return object.WaitUntilStopped(); });
    mediator.Stop();
    Bounded([&] { return mediator.WaitUntilStopped(); });
}

TEST(ActiveObject, TransitionExitsAtOnceAndEntersBeforeQueuedMessages) {
    ThreeStates object(nullptr);
    // Queued before the thread runs, so they wait behind every entry signal.
    object.Post(CLumAOSM_Message(kGoB));
    object.Post(CLumAOSM_Message(kPlain));
    ASSERT_TRUE(object.Start(nullptr));
    ASSERT_TRUE(WaitUntil([&] { return object.Logged("B:42"); }));
    EXPECT_EQ(object.Entries(), (Log{"Initial:ENTRY", "A:ENTRY", "A:40", "A:EXIT", "B:ENTRY", "B:42"}));
}

TEST(ActiveObject, SecondTransitionInOneCallWins) {
    ThreeStates object(nullptr);
    object.Post(CLumAOSM_Message(kTwice));
    object.Post(CLumAOSM_Message(kPlain));
    ASSERT_TRUE(object.Start(nullptr));
    ASSERT_TRUE(WaitUntil([&] { return object.Logged("C:42"); }));
    EXPECT_EQ(object.Entries(),
              (Log{"Initial:ENTRY", "A:ENTRY", "A:41", "A:EXIT", "A:EXIT", "C:ENTRY", "C:42"}));
}

TEST(ActiveObject, StopDeliversExitToTheCurrentState) {
    ThreeStates object(nullptr);
    object.Post(CLumAOSM_Message(kGoB));
    ASSERT_TRUE(object.Start(nullptr));
    ASSERT_TRUE(WaitUntil([&] { return object.Logged("B:ENTRY"); }));
    object.Stop();  // without a mediator: only the task stops
    EXPECT_EQ(Bounded([&] { return object.WaitUntilStopped(); }), 0);
    EXPECT_EQ(object.Entries().back(), "B:EXIT");
    EXPECT_EQ(object.Post(CLumAOSM_Message(kPlain)), -1);
}

TEST(ActiveObject, DefaultHandlerAnswers) {
    ThreeStates object(nullptr);
    ASSERT_TRUE(object.Start(nullptr));
    object.Post(CLumAOSM_Message(kUnhandled));
    ASSERT_TRUE(WaitUntil([&] { return object.lastDefault.load() == AO_FALSE_SIG; }));
    object.lastDefault = -1;
    object.Post(CLumAOSM_Message(AO_All2All_SuspendAll_SIG));
    ASSERT_TRUE(WaitUntil([&] { return object.lastDefault.load() == AO_FALSE_SIG; }));
    object.lastDefault = -1;
    object.Post(CLumAOSM_Message(AO_All2All_KillAll_SIG));
    ASSERT_TRUE(WaitUntil([&] { return object.lastDefault.load() == AO_TRUE_SIG; }));
    EXPECT_EQ(Bounded([&] { return object.WaitUntilStopped(); }), 0);  // the kill signal stopped it
    EXPECT_EQ(object.Entries().back(), "A:EXIT");
}

TEST(ActiveObject, KillAllThroughTheMediatorStopsEverySubscribedObject) {
    CLumAOSM_Mediator mediator;
    ASSERT_TRUE(mediator.Start(nullptr));
    ThreeStates first(&mediator, "first"), second(&mediator, "second");
    ASSERT_TRUE(first.Start(nullptr));
    ASSERT_TRUE(second.Start(nullptr));
    second.Post(CLumAOSM_Message(kGoB));
    ASSERT_TRUE(WaitUntil([&] { return first.Logged("A:ENTRY") && second.Logged("B:ENTRY"); }));

    mediator.Publish(CLumAOSM_Message(AO_All2All_KillAll_SIG));
    EXPECT_EQ(Bounded([&] { return first.WaitUntilStopped(); }), 0);
    EXPECT_EQ(Bounded([&] { return second.WaitUntilStopped(); }), 0);
    EXPECT_EQ(first.Entries().back(), "A:EXIT");
    EXPECT_EQ(second.Entries().back(), "B:EXIT");
    EXPECT_FALSE(first.IsActive());  // its stop unsubscribed it
    mediator.Stop();
    Bounded([&] { return mediator.WaitUntilStopped(); });
}

TEST(ActiveObject, ReceiveQueuesACopyWithTheTag) {
    struct Tagged : ThreeStates {
        Tagged() : ThreeStates(nullptr) {}
    } object;
    CLumAOSM_Message message(kPlain);
    EXPECT_EQ(object.Receive(&message, "TBkey"), 0);
    EXPECT_EQ(object.Count(), 1);
    EXPECT_EQ(object.RemoveByTag("TBkey"), 1);
}

// An object destroyed without Stop must not stay in the table, or the next broadcast would call
// a destroyed object; started or not, its three subscriptions go with it.
TEST(ActiveObject, DestroyedWithoutStopLeavesTheMediatorsTable) {
    CLumAOSM_Mediator mediator;
    ASSERT_TRUE(mediator.Start(nullptr));
    for (const bool start : {false, true}) {
        SCOPED_TRACE(start ? "started" : "never started");
        auto* object = new CLumAOSM_ActiveObject(&mediator);
        const void* gone = static_cast<CLumAOSM_Observer*>(object);
        if (start) {
            ASSERT_TRUE(object->Start(nullptr));
        }
        delete object;
        // A freed object in a list would be called here (and reported by the address sanitizer).
        for (int32_t signal : {AO_All2All_KillAll_SIG, AO_All2All_SuspendAll_SIG, AO_All2All_ResumeAll_SIG})
            mediator.Publish(CLumAOSM_Message(signal));
        struct Marker : CLumAOSM_Observer {
            int Receive(const CLumAOSM_Message*, const char*) override {
                routed = true;
                return 0;
            }
            std::atomic<bool> routed{false};
        } marker;
        mediator.Subscribe(&marker, 99);
        mediator.Publish(CLumAOSM_Message(99));
        ASSERT_TRUE(WaitUntil([&] { return marker.routed.load(); }));
        for (const auto& entry : mediator.Table())
            for (const CLumAOSM_Observer* observer : entry.subscribers)
                EXPECT_NE(static_cast<const void*>(observer), gone) << "signal " << entry.signal;
    }
    mediator.Stop();
    Bounded([&] { return mediator.WaitUntilStopped(); });
}
