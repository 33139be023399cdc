#include "sntp/sntp_client.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <memory>

#include "tests/support/fake_clock.h"
#include "tests/support/sntp_responder.h"

using Behaviour = CSntpResponder::Behaviour;
using calendar::WallTime;
using platform::FakeClock;

namespace {

class SntpClientTest : public ::testing::Test {
protected:
    // The responder answers from the same fake clock, so the offset it measures is exact.
    CSntpResponder& Responder(double offset, Behaviour behaviour = Behaviour::Normal) {
        responder_ = std::make_unique<CSntpResponder>(clock_, offset, behaviour);
        EXPECT_TRUE(responder_->Start());
        return *responder_;
    }

    FakeClock clock_{WallTime{1'796'743'800, 125'000'000}};
    CSNTPClient client_{clock_};
    NtpReply reply_;
    std::unique_ptr<CSntpResponder> responder_;
};

using Clock = std::chrono::steady_clock;

}  // namespace

TEST_F(SntpClientTest, ServerAheadAndBehindGiveTheKnownOffset) {
    for (const double offset : {12.5, -3.25, 0.0}) {
        CSntpResponder& server = Responder(offset);
        ASSERT_TRUE(client_.RequestTime("127.0.0.1", reply_, server.Port()))
            << SntpFailureText(client_.LastFailure());
        EXPECT_NEAR(offset, reply_.offset, 1e-6);
        EXPECT_NEAR(0.0, reply_.delay, 1e-6);
        EXPECT_EQ(4, reply_.mode);
        EXPECT_EQ(2, reply_.stratum);
        EXPECT_EQ(0, reply_.leapIndicator);
        EXPECT_EQ(NtpTimestamp::FromWallTime(clock_.NowUtc()), reply_.originate);
        EXPECT_EQ("127.0.0.1", client_.LastAddress());
    }
}

TEST_F(SntpClientTest, DelayExcludesTheServersHoldingTime) {
    clock_.SetStepPerRead(10'000'000);  // every reading of the clock is 10 ms later
    CSntpResponder& server = Responder(100.0);
    ASSERT_TRUE(client_.RequestTime("localhost", reply_, server.Port()));
    // T1, then T2 and T3 each 10 ms later, then T4: 30 ms in all, 10 of them in the server.
    EXPECT_NEAR(0.020, reply_.delay, 1e-6);
    EXPECT_NEAR(100.0, reply_.offset, 1e-6);
}

TEST_F(SntpClientTest, LongReplyIsReadOnlyUpToTheBuffer) {
    CSntpResponder& server = Responder(1.0, Behaviour::Long);
    ASSERT_TRUE(client_.RequestTime("127.0.0.1", reply_, server.Port()));
    EXPECT_NEAR(1.0, reply_.offset, 1e-6);
}

TEST_F(SntpClientTest, SilentServerTimesOutAfterTwoSeconds) {
    CSntpResponder& server = Responder(0.0, Behaviour::Silent);
    const auto start = Clock::now();
    errno = 0;
    EXPECT_FALSE(client_.RequestTime("127.0.0.1", reply_, server.Port()));
    EXPECT_EQ(ETIMEDOUT, errno);
    EXPECT_EQ(SntpFailure::Timeout, client_.LastFailure());
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1900));
    EXPECT_EQ(1, server.RequestsSeen());
}

TEST_F(SntpClientTest, ClosedPortFailsAtOnce) {
    const auto start = Clock::now();
    EXPECT_FALSE(client_.RequestTime("127.0.0.1", reply_, CSntpResponder::ClosedPort()));
    EXPECT_EQ(ECONNREFUSED, errno);
    EXPECT_EQ(SntpFailure::Receive, client_.LastFailure());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
}

TEST_F(SntpClientTest, UnresolvableHostFails) {
    EXPECT_FALSE(client_.RequestTime("no-such-host..invalid", reply_, 123));
    EXPECT_NE(0, errno);
    EXPECT_EQ(SntpFailure::Resolve, client_.LastFailure());
    EXPECT_TRUE(client_.LastAddress().empty());
}

TEST_F(SntpClientTest, RepliesThatDoNotAnswerTrustworthilyAreRefused) {
    const struct {
        Behaviour behaviour;
        SntpFailure failure;
    } cases[] = {
        {Behaviour::WrongOriginate, SntpFailure::WrongOriginate},
        {Behaviour::Short, SntpFailure::WrongOriginate},  // the echo is among the missing bytes
        {Behaviour::KissOfDeath, SntpFailure::KissOfDeath},
        {Behaviour::Unsynchronised, SntpFailure::Unsynchronised},
        {Behaviour::ClientMode, SntpFailure::NotServerMode},
    };
    for (const auto& c : cases) {
        CSntpResponder& server = Responder(5.0, c.behaviour);
        errno = 0;
        EXPECT_FALSE(client_.RequestTime("127.0.0.1", reply_, server.Port()));
        EXPECT_EQ(EPROTO, errno);
        EXPECT_EQ(c.failure, client_.LastFailure()) << SntpFailureText(c.failure);
    }
}

TEST_F(SntpClientTest, ZeroTimesPassTheClientAndDecodeAs1900) {
    // The caller judges this one (HasCredibleTimes): LumClient's query says the server failed.
    CSntpResponder& server = Responder(5.0, Behaviour::ZeroTimes);
    ASSERT_TRUE(client_.RequestTime("127.0.0.1", reply_, server.Port()));
    EXPECT_EQ(1900, reply_.receive.ToCivil().year);
    EXPECT_FALSE(HasCredibleTimes(reply_));
}

TEST_F(SntpClientTest, SetSystemClockSetsTheInstantAtFullResolution) {
    const NtpTimestamp target = NtpTimestamp::FromWallTime(WallTime{2'000'000'000, 123'456'789});
    ASSERT_TRUE(client_.SetSystemClock(target));
    ASSERT_EQ(1u, clock_.Settings().size());
    EXPECT_EQ(2'000'000'000, clock_.Settings()[0].seconds);
    EXPECT_NEAR(123'456'789, clock_.Settings()[0].nanoseconds, 1);

    clock_.FailSettingWith(EPERM);
    EXPECT_FALSE(client_.SetSystemClock(target));
    EXPECT_EQ(EPERM, errno);
}
