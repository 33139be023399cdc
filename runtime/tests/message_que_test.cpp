#include "runtime/message_que.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/support/test_wait.h"

namespace {

int PutSignal(CLumAOSM_Message_Que& queue, int32_t signal, bool urgent = false, const char* tag = "") {
    auto message = std::make_unique<CLumAOSM_Message>(signal);
    return queue.Put(message, urgent, tag);
}

std::vector<int32_t> Drain(CLumAOSM_Message_Que& queue) {
    std::vector<int32_t> signals;
    while (queue.Count() > 0) {
        std::unique_ptr<CLumAOSM_Message> message;
        if (queue.Get(&message) == 0)
            signals.push_back(message->GetSignal());
        else
            signals.push_back(-1);
    }
    return signals;
}

}  // namespace

TEST(MessageQue, AcceptsWithThousandPendingAndRefusesWithThousandAndOne) {
    CLumAOSM_Message_Que queue;
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(PutSignal(queue, 40), 0);
    EXPECT_EQ(PutSignal(queue, 40), 0);  // the 1001st: 1000 were pending
    EXPECT_EQ(queue.Count(), 1001);

    auto refused = std::make_unique<CLumAOSM_Message>(41);
    EXPECT_EQ(queue.Put(refused, false, ""), -1);
    ASSERT_NE(refused, nullptr);  // still the caller's
    EXPECT_EQ(refused->GetSignal(), 41);
    EXPECT_EQ(queue.PutStopMarker(), 0);  // never refused by the bound
    EXPECT_EQ(queue.Clear(), 1002);
}

TEST(MessageQue, UrgentEntriesAndStopMarkerGoFrontNewestFirst) {
    CLumAOSM_Message_Que queue;
    PutSignal(queue, 40);
    PutSignal(queue, 41);
    PutSignal(queue, 50, true);
    PutSignal(queue, 51, true);
    queue.PutStopMarker();
    EXPECT_EQ(Drain(queue), (std::vector<int32_t>{-1, 51, 50, 40, 41}));
}

TEST(MessageQue, AheadEntriesOvertakeTheBackButKeepTheirOrder) {
    CLumAOSM_Message_Que queue;
    PutSignal(queue, 40);
    for (int32_t signal : {12, 13, 14}) {
        auto message = std::make_unique<CLumAOSM_Message>(signal);
        ASSERT_EQ(queue.Put(message, CLumAOSM_Message_Que::Place::Ahead, ""), 0);
    }
    PutSignal(queue, 41);
    EXPECT_EQ(Drain(queue), (std::vector<int32_t>{12, 13, 14, 40, 41}));
}

TEST(MessageQue, RemoveByTagTakesOnlyMatchingEntries) {
    CLumAOSM_Message_Que queue;
    PutSignal(queue, 40, false, "keyA");
    PutSignal(queue, 41, false, "keyB");
    PutSignal(queue, 42, true, "keyA");
    EXPECT_EQ(queue.RemoveByTag("nothing"), 0);
    EXPECT_EQ(queue.Count(), 3);
    EXPECT_EQ(queue.RemoveByTag("keyA"), 2);
    EXPECT_EQ(Drain(queue), (std::vector<int32_t>{41}));
}

TEST(MessageQue, GetWaitsForAPutFromAnotherThread) {
    CLumAOSM_Message_Que queue;
    std::thread producer([&] { PutSignal(queue, 45); });
    std::unique_ptr<CLumAOSM_Message> message;
    EXPECT_EQ(Bounded([&] { return queue.Get(&message); }), 0);
    Bounded([&] { producer.join(); });
    EXPECT_EQ(message->GetSignal(), 45);
}

TEST(MessageQue, CloseRefusesPostsAndReleasesWaitingRequesters) {
    CLumAOSM_Message_Que queue;
    PutSignal(queue, 40);
    ReplyBlock reply;
    auto request = std::make_unique<CLumAOSM_Message>(AO_UNSUBSCRIBER_ALLSIG_SIG);
    request->SetReply(&reply);
    ASSERT_EQ(queue.Put(request, true, ""), 0);

    queue.Close();
    EXPECT_FALSE(Bounded([&] { return reply.WaitForAnswer(); }));  // abandoned, not left hanging
    EXPECT_EQ(PutSignal(queue, 41), -1);
    EXPECT_EQ(Drain(queue), (std::vector<int32_t>{-1, 40}));

    queue.Open();
    EXPECT_EQ(PutSignal(queue, 42), 0);
}

TEST(MessageQue, OpenDropsAStaleStopMarker) {
    CLumAOSM_Message_Que queue;
    PutSignal(queue, 40);
    queue.Close();
    queue.Open();
    EXPECT_EQ(Drain(queue), (std::vector<int32_t>{40}));
}
