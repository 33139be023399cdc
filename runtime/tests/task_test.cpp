#include "runtime/task.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "wait_until.h"

namespace {

// Records every dispatched signal; can hold its thread at a chosen signal.
class RecordingTask : public CLumAOSM_Task {
public:
    ~RecordingTask() override { StopAndWait(); }

    int Dispatch(CLumAOSM_Message* message) override {
        if (message->GetSignal() == holdAt)
            gate.Pass();
        std::lock_guard lock(mutex_);
        signals_.push_back(message->GetSignal());
        if (message->GetSignal() == AO_TIMERAGENT_STOP_TIMER_SIG)
            LumAOSM_Reply(*message, 33);
        return 0;
    }
    std::vector<int32_t> Signals() {
        std::lock_guard lock(mutex_);
        return signals_;
    }

    int32_t holdAt = -1;
    Gate gate;

private:
    std::mutex mutex_;
    std::vector<int32_t> signals_;
};

std::string OsThreadName(pid_t tid) {
    std::ifstream comm("/proc/self/task/" + std::to_string(tid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

class NamedBody : public CLumAOSM_Thread {
public:
    ~NamedBody() override { StopAndWait(); }
    int Run() override {
        tid = gettid();
        return CLumAOSM_Thread::Run();
    }
    std::atomic<pid_t> tid{0};
};

}  // namespace

TEST(Thread, OperatingSystemSeesTheFirstFifteenCharacters) {
    NamedBody thread;
    ThreadStartParams params = ThreadStartParams::Named("T_Forever_Timer_Tick_and_more_than_31_characters");
    ASSERT_TRUE(thread.Start(&params));
    EXPECT_EQ(thread.GetThreadName(), "T_Forever_Timer_Tick_and_more_t");  // 31 characters kept
    ASSERT_TRUE(WaitUntil([&] { return thread.tid.load() != 0; }));
    EXPECT_EQ(OsThreadName(thread.tid.load()), "T_Forever_Timer");
}

TEST(Thread, WaitUntilStoppedReturnsAtOnceWhenNeverStarted) {
    CLumAOSM_Task task;
    EXPECT_EQ(Bounded([&] { return task.WaitUntilStopped(); }), 0);
    EXPECT_TRUE(task.IsStopped());
}

TEST(Thread, WaitRightAfterStartWaitsForTheBody) {
    struct Body : CLumAOSM_Thread {
        ~Body() override { StopAndWait(); }
        int Run() override {
            finished = true;
            return 0;
        }
        std::atomic<bool> finished{false};
    } body;
    ASSERT_TRUE(body.Start(nullptr));
    EXPECT_EQ(Bounded([&] { return body.WaitUntilStopped(); }),
              0);  // must not return before the new thread has run
    EXPECT_TRUE(body.finished.load());
    EXPECT_FALSE(body.IsRunning());
}

TEST(Task, HandlesPostsInOrderAndCopiesTheMessage) {
    RecordingTask task;
    ASSERT_TRUE(task.Start(nullptr));
    CLumAOSM_Message message(40);
    message.SetParamValue(0, int32_t{1});
    EXPECT_EQ(task.Post(message), 0);
    message.SetSignal(41);
    EXPECT_EQ(task.Post(message), 0);
    ASSERT_TRUE(WaitUntil([&] { return task.Signals().size() == 2; }));
    EXPECT_EQ(task.Signals(), (std::vector<int32_t>{40, 41}));
    int32_t value = 0;
    EXPECT_TRUE(message.GetParamValue(0, &value));  // the caller's own copy is untouched
}

TEST(Task, StopWithPendingMessagesHandlesNoFurtherMessage) {
    RecordingTask task;
    task.holdAt = 40;
    ASSERT_TRUE(task.Start(nullptr));
    task.Post(CLumAOSM_Message(40));
    ASSERT_TRUE(task.gate.WaitArrived());
    task.Post(CLumAOSM_Message(41));
    task.Post(CLumAOSM_Message(42));
    task.Stop();
    task.gate.Open();
    EXPECT_EQ(Bounded([&] { return task.WaitUntilStopped(); }), 0);
    EXPECT_EQ(task.Signals(), (std::vector<int32_t>{40}));
    EXPECT_EQ(task.Count(), 2);  // discarded only when the task is destroyed
}

TEST(Task, PostAfterStopIsRefusedAndTheMessageStaysUsable) {
    RecordingTask stopped;
    RecordingTask other;
    ASSERT_TRUE(stopped.Start(nullptr));
    ASSERT_TRUE(other.Start(nullptr));
    stopped.Stop();
    Bounded([&] { return stopped.WaitUntilStopped(); });
    CLumAOSM_Message message(43);
    message.SetParamValue(0, int32_t{5});
    EXPECT_EQ(stopped.Post(message), -1);
    EXPECT_EQ(other.Post(message), 0);
    EXPECT_TRUE(WaitUntil([&] { return other.Signals() == std::vector<int32_t>{43}; }));
}

TEST(Task, RestartsAfterStop) {
    RecordingTask task;
    ASSERT_TRUE(task.Start(nullptr));
    task.Stop();
    Bounded([&] { return task.WaitUntilStopped(); });
    ASSERT_TRUE(task.Start(nullptr));
    task.Post(CLumAOSM_Message(44));
    EXPECT_TRUE(WaitUntil([&] { return task.Signals() == std::vector<int32_t>{44}; }));
}

TEST(Task, DestroyingARunningTaskStopsAndJoinsIt) {
    auto task = std::make_unique<RecordingTask>();
    ASSERT_TRUE(task->Start(nullptr));
    task->Post(CLumAOSM_Message(40));
    Bounded([&] { task.reset(); });  // must neither hang, crash nor leave the thread on freed memory
}

TEST(Task, RequestIsAnsweredOrFailsWithoutWaiting) {
    RecordingTask responder;
    ASSERT_TRUE(responder.Start(nullptr));
    CLumAOSM_Message request(AO_TIMERAGENT_STOP_TIMER_SIG);
    intptr_t result = 0;
    EXPECT_EQ(LumAOSM_Request(responder, request, CLumAOSM_Message_Que::Place::Back, &result), 0);
    EXPECT_EQ(result, 33);
    EXPECT_EQ(request.GetReply(), nullptr);  // no pointer to the finished block is left behind

    responder.Stop();
    Bounded([&] { return responder.WaitUntilStopped(); });
    EXPECT_EQ(LumAOSM_Request(responder, request, CLumAOSM_Message_Que::Place::Back, &result), -1);
}

TEST(Task, RequestToAStoppingTaskIsAbandonedNotLeftWaiting) {
    RecordingTask responder;
    responder.holdAt = 40;
    ASSERT_TRUE(responder.Start(nullptr));
    responder.Post(CLumAOSM_Message(40));
    ASSERT_TRUE(responder.gate.WaitArrived());
    std::atomic<int> outcome{1};
    std::thread requester([&] {
        CLumAOSM_Message request(AO_TIMERAGENT_STOP_TIMER_SIG);
        outcome = LumAOSM_Request(responder, request, CLumAOSM_Message_Que::Place::Back, nullptr);
    });
    ASSERT_TRUE(WaitUntil([&] { return responder.Count() == 1; }));
    responder.Stop();
    responder.gate.Open();
    Bounded([&] { requester.join(); });  // returns once the responder's thread has ended
    EXPECT_EQ(outcome.load(), -1);
    EXPECT_FALSE(responder.IsRunning());
    EXPECT_EQ(responder.Signals(), std::vector<int32_t>{40});  // the request was never handled
}

TEST(Task, RequestFromTheRespondersOwnThreadFails) {
    struct SelfAsking : CLumAOSM_Task {
        ~SelfAsking() override { StopAndWait(); }
        int Dispatch(CLumAOSM_Message*) override {
            CLumAOSM_Message request(AO_TIMERAGENT_STOP_TIMER_SIG);
            outcome = LumAOSM_Request(*this, request, CLumAOSM_Message_Que::Place::Back, nullptr);
            return 0;
        }
        std::atomic<int> outcome{1};
    } task;
    ASSERT_TRUE(task.Start(nullptr));
    task.Post(CLumAOSM_Message(40));
    EXPECT_TRUE(WaitUntil([&] { return task.outcome.load() == -1; }));
}
