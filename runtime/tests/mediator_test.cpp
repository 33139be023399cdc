#include "runtime/mediator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "wait_until.h"

namespace {

constexpr int32_t kFlushSig = 99;

// A window-like observer: records what reaches it on the mediator's thread.
class RecordingObserver : public CLumAOSM_Observer {
public:
    explicit RecordingObserver(const char* name) { SetName(name); }

    int Receive(const CLumAOSM_Message* message, const char*) override {
        if (message->GetSignal() == holdAt)
            gate.Pass();
        if (onReceive)
            onReceive();
        std::lock_guard lock(mutex_);
        got_.push_back(std::string(GetName()) + ":" + std::to_string(message->GetSignal()));
        return 0;
    }
    std::vector<std::string> Got() {
        std::lock_guard lock(mutex_);
        return got_;
    }

    int32_t holdAt = -1;
    Gate gate;
    std::function<void()> onReceive;

private:
    std::mutex mutex_;
    std::vector<std::string> got_;
};

class MediatorTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mediator_.Start(nullptr));
        ASSERT_EQ(mediator_.Subscribe(&flush_, kFlushSig), 0);
    }
    void TearDown() override {
        mediator_.Stop();
        Bounded([&] { return mediator_.WaitUntilStopped(); });
    }

    // Returns once every publication made before it has been routed.
    void Flush() {
        const size_t before = flush_.Got().size();
        mediator_.Publish(CLumAOSM_Message(kFlushSig));
        ASSERT_TRUE(WaitUntil([&] { return flush_.Got().size() > before; }));
    }

    CLumAOSM_Mediator mediator_;
    RecordingObserver flush_{"flush"};
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(MediatorTest, DuplicateSubscriptionDeliversOnce) {
    RecordingObserver a("a");
    mediator_.Subscribe(&a, 40);
    mediator_.Subscribe(&a, 40);
    mediator_.Publish(CLumAOSM_Message(40));
    Flush();
    EXPECT_EQ(a.Got(), Log{"a:40"});
}

TEST_F(MediatorTest, SubscribersReceiveInSubscriptionOrder) {
    std::mutex mutex;
    Log order;
    RecordingObserver first("first"), second("second");
    first.onReceive = [&] {
        std::lock_guard l(mutex);
        order.push_back("first");
    };
    second.onReceive = [&] {
        std::lock_guard l(mutex);
        order.push_back("second");
    };
    mediator_.Subscribe(&first, 41);
    Flush();  // queued together, urgent requests would apply newest first
    mediator_.Subscribe(&second, 41);
    mediator_.Publish(CLumAOSM_Message(41));
    mediator_.Publish(CLumAOSM_Message(42));  // nobody subscribes: no effect
    Flush();
    std::lock_guard l(mutex);
    EXPECT_EQ(order, (Log{"first", "second"}));
}

TEST_F(MediatorTest, UnsubscribeAllStopsEveryDeliveryAndKeepsTheEntries) {
    RecordingObserver a("a");
    mediator_.Subscribe(&a, 43);
    mediator_.Subscribe(&a, 44);
    EXPECT_EQ(mediator_.UnsubscribeAll(&a), 0);
    EXPECT_FALSE(a.IsActive());
    mediator_.Publish(CLumAOSM_Message(43));
    mediator_.Publish(CLumAOSM_Message(44));
    Flush();
    EXPECT_TRUE(a.Got().empty());
    int emptyEntries = 0;
    for (const auto& entry : mediator_.Table())
        if ((entry.signal == 43 || entry.signal == 44) && entry.subscribers.empty())
            ++emptyEntries;
    EXPECT_EQ(emptyEntries, 2);

    // Subscribing again adds it, but an inactive observer is skipped.
    mediator_.Subscribe(&a, 43);
    mediator_.Publish(CLumAOSM_Message(43));
    Flush();
    EXPECT_TRUE(a.Got().empty());
}

TEST_F(MediatorTest, SubscriptionQueuedBehindAPublicationStillReceivesIt) {
    RecordingObserver blocker("blocker"), late("late");
    blocker.holdAt = 45;
    mediator_.Subscribe(&blocker, 45);
    mediator_.Publish(CLumAOSM_Message(45));
    ASSERT_TRUE(blocker.gate.WaitArrived());  // the mediator is busy routing 45
    mediator_.Publish(CLumAOSM_Message(46));
    mediator_.Subscribe(&late, 46);  // urgent: overtakes the waiting publication
    blocker.gate.Open();
    Flush();
    EXPECT_EQ(late.Got(), Log{"late:46"});
}

TEST_F(MediatorTest, ObjectThatIsNoObserverIsRefused) {
    struct NotAnObserver {
        virtual ~NotAnObserver() = default;
    } other;
    EXPECT_EQ(mediator_.Subscribe(&other, 40), 0);
    EXPECT_EQ(mediator_.UnsubscribeAll(&other), 0);
    Flush();
    for (const auto& entry : mediator_.Table())
        EXPECT_NE(entry.signal, 40);
}

TEST_F(MediatorTest, UnsubscribeAllFromAReceiveFailsInsteadOfDeadlocking) {
    RecordingObserver a("a");
    std::atomic<int> outcome{1};
    a.onReceive = [&] { outcome = mediator_.UnsubscribeAll(&a); };
    mediator_.Subscribe(&a, 47);
    mediator_.Publish(CLumAOSM_Message(47));
    Flush();
    EXPECT_EQ(outcome.load(), -1);
    EXPECT_FALSE(a.IsActive());  // still no further delivery
}

TEST_F(MediatorTest, UnsubscribeOneLeavesTheOtherSignals) {
    RecordingObserver a("a");
    mediator_.Subscribe(&a, 48);
    mediator_.Subscribe(&a, 49);
    EXPECT_EQ(mediator_.Unsubscribe(&a, 48), 0);
    mediator_.Publish(CLumAOSM_Message(48));
    mediator_.Publish(CLumAOSM_Message(49));
    Flush();
    EXPECT_EQ(a.Got(), Log{"a:49"});
}

TEST(Mediator, StoppedMediatorRefusesRequestsAtOnce) {
    CLumAOSM_Mediator mediator;
    ASSERT_TRUE(mediator.Start(nullptr));
    mediator.Stop();
    Bounded([&] { return mediator.WaitUntilStopped(); });
    CLumAOSM_Observer observer;
    EXPECT_EQ(mediator.Subscribe(&observer, 40), -1);
    EXPECT_EQ(mediator.UnsubscribeAll(&observer), -1);
    mediator.Publish(CLumAOSM_Message(40));  // lost without notice
    EXPECT_EQ(mediator.Count(), 0);
}

TEST(Mediator, FailedUnsubscribeOnAStoppingMediatorWaitsForADeliveryUnderWay) {
    CLumAOSM_Mediator mediator;
    ASSERT_TRUE(mediator.Start(nullptr));
    RecordingObserver a("a");
    std::atomic<bool> receiveDone{false};
    a.holdAt = 40;
    a.onReceive = [&] { receiveDone = true; };
    mediator.Subscribe(&a, 40);
    mediator.Publish(CLumAOSM_Message(40));
    ASSERT_TRUE(a.gate.WaitArrived());  // the mediator is inside a.Receive
    mediator.Stop();
    std::atomic<bool> doneAtReturn{false};
    std::thread owner([&] {
        EXPECT_EQ(mediator.UnsubscribeAll(&a), -1);
        doneAtReturn = receiveDone.load();  // only now may the owner destroy a
    });
    a.gate.Open();
    Bounded([&] { owner.join(); });
    EXPECT_TRUE(doneAtReturn.load());
}

TEST(Mediator, InstanceIsCreatedOnceAndClearedByDeletion) {
    CLumAOSM_Mediator* first = CLumAOSM_Mediator::Instance();
    EXPECT_EQ(CLumAOSM_Mediator::Instance(), first);
    EXPECT_FALSE(first->IsRunning());
    ASSERT_TRUE(first->Start(nullptr));
    char expected[32];
    std::snprintf(expected, sizeof expected, "T_%lx", reinterpret_cast<unsigned long>(first));
    EXPECT_EQ(first->GetThreadName(), expected);  // parameters are ignored
    delete first;
    CLumAOSM_Mediator* second = CLumAOSM_Mediator::Instance();
    EXPECT_NE(second, nullptr);
    delete second;
}

TEST(Mediator, ObserverOutlivingItsMediatorDoesNotReachForIt) {
    auto observer = std::make_unique<RecordingObserver>("late");
    {
        CLumAOSM_Mediator mediator;
        ASSERT_TRUE(mediator.Start(nullptr));
        mediator.Subscribe(observer.get(), 40);
    }
    observer.reset();  // would use the freed mediator if it tried to leave its table
}

TEST_F(MediatorTest, ObserverDestroyedInAReceiveLeavesTheTableWithoutWaiting) {
    RecordingObserver killer("killer");
    auto victim = std::make_unique<RecordingObserver>("victim");
    killer.onReceive = [&] { victim.reset(); };  // on the mediator's thread: must not wait for itself
    mediator_.Subscribe(&killer, 41);
    mediator_.Subscribe(victim.get(), 42);
    mediator_.Publish(CLumAOSM_Message(41));
    mediator_.Publish(CLumAOSM_Message(42));  // must not reach the freed victim
    Flush();
    EXPECT_EQ(victim, nullptr);
    for (const auto& entry : mediator_.Table())
        if (entry.signal == 42) {
            EXPECT_TRUE(entry.subscribers.empty());
        }
}
