#include "timeservices/time_notice_message.h"

#include <gtest/gtest.h>

namespace {

TimeNotice Sample() {
    TimeNotice n;
    n.tTime = 1'700'032'400;
    n.bSetClock = true;
    n.bAnswered = true;
    n.strMessage = " 0.123 초 이내에서 동기되었습니다.";
    n.strServer = "Horologia 표준시 서버 \r\n127.0.0.1";
    n.strOffset = "0.123 초";
    n.strLastSync = "";
    return n;
}

void ExpectSame(const TimeNotice& a, const TimeNotice& b) {
    EXPECT_EQ(a.tTime, b.tTime);
    EXPECT_EQ(a.bSetClock, b.bSetClock);
    EXPECT_EQ(a.bAnswered, b.bAnswered);
    EXPECT_EQ(a.strMessage, b.strMessage);
    EXPECT_EQ(a.strServer, b.strServer);
    EXPECT_EQ(a.strOffset, b.strOffset);
    EXPECT_EQ(a.strLastSync, b.strLastSync);
}

TEST(TimeNoticeMessage, CopyInTheMessageOutlivesTheRewrittenRecord) {
    TimeNotice record = Sample();
    CLumAOSM_Message message(AO_SYNC_RESULT_SIG);
    ASSERT_TRUE(PutTimeNotice(message, 0, record));
    const CLumAOSM_Message queued(message);  // what a subscriber's queue holds
    record.strMessage = "서버에서 응답이 없습니다";
    record.bAnswered = false;
    TimeNotice got;
    ASSERT_TRUE(GetTimeNotice(queued, 0, &got));
    ExpectSame(got, Sample());
}

TEST(TimeNoticeMessage, DamagedCopiesAreRefusedAndLeaveTheTargetAlone) {
    const std::string bytes = EncodeTimeNotice(Sample());
    TimeNotice target;
    target.strMessage = "untouched";
    for (size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(DecodeTimeNotice(std::string_view(bytes).substr(0, cut), &target)) << cut;
    EXPECT_FALSE(DecodeTimeNotice(bytes + "x", &target));
    std::string huge = bytes;
    huge[notice_format::kHeaderSize + 3] = '\x7f';  // first text claims a length far past the end
    EXPECT_FALSE(DecodeTimeNotice(huge, &target));
    std::string flag = bytes;
    flag[8] = 2;
    EXPECT_FALSE(DecodeTimeNotice(flag, &target));
    EXPECT_EQ(target.strMessage, "untouched");

    CLumAOSM_Message empty(AO_COMPARE_RESULT_SIG);
    EXPECT_FALSE(GetTimeNotice(empty, 0, &target));
    CLumAOSM_Message borrowed(AO_COMPARE_RESULT_SIG);
    borrowed.SetParam(0, &target, sizeof target, true);  // an address is not a copy
    EXPECT_FALSE(GetTimeNotice(borrowed, 0, &target));
}

}  // namespace
