#include "runtime/message.h"
#include "runtime/signals.h"
#include "runtime/trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "tests/support/test_wait.h"

TEST(Message, CopyOfOwnedParameterIsIndependent) {
    auto original = std::make_unique<CLumAOSM_Message>(AO_USER_SIG + 4);
    const char text[] = "hello";
    ASSERT_TRUE(original->SetParam(0, text, sizeof text, false));
    CLumAOSM_Message copy(*original);

    void* a = nullptr;
    void* b = nullptr;
    int32_t length = 0;
    bool borrowed = true;
    original->GetParam(0, &a, nullptr, nullptr);
    copy.GetParam(0, &b, &length, &borrowed);
    EXPECT_NE(a, b);
    EXPECT_NE(a, static_cast<const void*>(text));
    EXPECT_FALSE(borrowed);
    original.reset();
    EXPECT_EQ(length, static_cast<int32_t>(sizeof text));
    EXPECT_STREQ(static_cast<const char*>(b), "hello");
    EXPECT_EQ(copy.GetSignal(), AO_USER_SIG + 4);
}

TEST(Message, CopySharesBorrowedPointerAndReplyBlock) {
    int observer = 0;
    ReplyBlock reply;
    CLumAOSM_Message message(AO_SUBSCRIBER_SIG);
    ASSERT_TRUE(message.SetParam(0, &observer, 0, true));
    message.SetReply(&reply);
    CLumAOSM_Message copy(message);

    void* data = nullptr;
    bool borrowed = false;
    copy.GetParam(0, &data, nullptr, &borrowed);
    EXPECT_EQ(data, &observer);
    EXPECT_TRUE(borrowed);
    EXPECT_EQ(copy.GetReply(), &reply);
}

TEST(Message, SetParamRefusesBadIndexAndEmptyOwnedCopy) {
    CLumAOSM_Message message(40);
    int value = 7;
    EXPECT_FALSE(message.SetParam(10, &value, 4, false));
    EXPECT_FALSE(message.SetParam(-1, &value, 4, false));
    EXPECT_FALSE(message.SetParam(0, &value, 0, false));
    EXPECT_FALSE(message.SetParam(0, nullptr, 4, true));
    EXPECT_FALSE(message.GetParam(10, nullptr, nullptr, nullptr));

    void* data = &value;
    int32_t length = 99;
    EXPECT_TRUE(message.GetParam(0, &data, &length, nullptr));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0);
}

TEST(Message, ResettingAnOwnedSlotReplacesItsCopy) {
    CLumAOSM_Message message(40);
    ASSERT_TRUE(message.SetParamValue(1, int32_t{5}));
    ASSERT_TRUE(message.SetParamValue(1, int32_t{6}));  // the first copy must not leak
    int32_t value = 0;
    ASSERT_TRUE(message.GetParamValue(1, &value));
    EXPECT_EQ(value, 6);
    int64_t wrongSize = 0;
    EXPECT_FALSE(message.GetParamValue(1, &wrongSize));
}

TEST(Message, AssignmentAndMoveKeepOwnershipSingle) {
    CLumAOSM_Message a(41);
    a.SetParamValue(2, int32_t{9});
    CLumAOSM_Message b(42);
    b = a;
    CLumAOSM_Message c(std::move(a));
    int32_t vb = 0, vc = 0;
    EXPECT_TRUE(b.GetParamValue(2, &vb));
    EXPECT_TRUE(c.GetParamValue(2, &vc));
    EXPECT_EQ(vb, 9);
    EXPECT_EQ(vc, 9);
    EXPECT_EQ(b.GetSignal(), 41);
}

TEST(ReplyBlock, AnswerAndAbandonReleaseTheRequester) {
    CLumAOSM_Message request(AO_TIMERAGENT_STOP_TIMER_SIG);
    {
        ReplyBlock reply;
        request.SetReply(&reply);
        LumAOSM_Reply(CLumAOSM_Message(request), 17);  // the responder holds a copy
        EXPECT_TRUE(Bounded([&] { return reply.WaitForAnswer(); }));
        EXPECT_EQ(reply.Result(), 17);
    }
    ReplyBlock reply;
    reply.Abandon();
    EXPECT_FALSE(Bounded([&] { return reply.WaitForAnswer(); }));
}

TEST(TraceDeathTest, LineIsWrittenToStandardErrorOnlyWhenEnabled) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("TIKO3_TRACE", "1", 1);
            LumAOSM_Trace("CLumAOSM_Mediator:: IN  Signal Num [%d] Name [ %s ]\n", 3, SignalName(3));
            std::exit(LumAOSM_TraceEnabled() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "IN  Signal Num \\[3\\] Name \\[ AO_All2All_KillAll_SIG \\]");
    EXPECT_EXIT(
        {
            unsetenv("TIKO3_TRACE");
            LumAOSM_Trace("visible %d\n", 1);
            std::exit(LumAOSM_TraceEnabled() ? 1 : 0);
        },
        testing::ExitedWithCode(0), "^$");
}
