#include "timeservices/query_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>

#include "platform/clock.h"
#include "platform/sys_time_right.h"
#include "test_support.h"
#include "tests/support/fake_clock.h"
#include "tests/support/private_system_bus.h"
#include "tests/support/sntp_responder.h"
#include "timeservices/clock_right.h"
#include "treestore/app_store.h"

using Behaviour = CSntpResponder::Behaviour;
using calendar::WallTime;
using platform::FakeClock;

namespace {

constexpr int64_t kKorea = calendar::kKoreaUtcOffsetSeconds;
// 2026-12-08 15:30:00.125 UTC, a Tuesday; 2026-12-09 00:30:00 in Korea, a Wednesday.
constexpr WallTime kQueryStart{1'796'743'800, 125'000'000};

class QueryServerTest : public ::testing::Test {
protected:
    QueryServerTest() : config_(LoadConfiguration(dir_.path())) {}

    uint16_t Serve(double offset, Behaviour behaviour = Behaviour::Normal) {
        responders_.push_back(std::make_unique<CSntpResponder>(clock_, offset, behaviour));
        EXPECT_TRUE(responders_.back()->Start());
        return responders_.back()->Port();
    }

    // Runs one operation against the given primary and secondary.
    bool Run(bool setClock, ServerAddress primary, ServerAddress secondary) {
        query_ = std::make_unique<CTiko_QueryServer>(clock_, config_.get(), dir_.path(),
                                                     ServerPair{primary, secondary});
        notice_.bSetClock = setClock;
        return query_->RunQuery(notice_);
    }
    bool Run(bool setClock, uint16_t primaryPort, uint16_t secondaryPort = 0) {
        return Run(setClock, {"127.0.0.1", primaryPort},
                   {"localhost", secondaryPort ? secondaryPort : ClosedPort()});
    }

    void PrefillTexts() {
        notice_.strServer = "server before";
        notice_.strOffset = "offset before";
        notice_.strLastSync = "sync before";
    }
    void ExpectTextsEmpty() const {
        EXPECT_EQ("", notice_.strServer);
        EXPECT_EQ("", notice_.strOffset);
        EXPECT_EQ("", notice_.strLastSync);
    }
    std::string Log() const { return ReadFile(dir_.path() / kLogFileName); }

    TempDir dir_;
    std::unique_ptr<Class_TIKOCONF_TOP> config_;
    FakeClock clock_{kQueryStart, kKorea};
    std::vector<std::unique_ptr<CSntpResponder>> responders_;
    std::unique_ptr<CTiko_QueryServer> query_;
    TimeNotice notice_;
};

}  // namespace

TEST_F(QueryServerTest, CompareSaysHowFarThePcIsOffAndTouchesNothing) {
    config_->Env()->bLog = 1;
    PrefillTexts();
    EXPECT_TRUE(Run(false, Serve(0.25)));
    EXPECT_EQ("사용자 PC가 0.250 초 늦습니다.", notice_.strMessage);
    EXPECT_TRUE(notice_.bAnswered);
    ExpectTextsEmpty();
    EXPECT_EQ(1, query_->ServerIndex());
    EXPECT_EQ(QueryOutcome::Compared, query_->Outcome());

    EXPECT_TRUE(Run(false, Serve(-0.5)));
    EXPECT_EQ("사용자 PC가 0.500 초 빠릅니다.", notice_.strMessage);
    EXPECT_TRUE(Run(false, Serve(0.0)));
    EXPECT_EQ("사용자 PC가 0.000 초 늦습니다.", notice_.strMessage);

    EXPECT_TRUE(clock_.Settings().empty());
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / kLogFileName));
}

TEST_F(QueryServerTest, SilentPrimaryFallsBackToTheSecondary) {
    EXPECT_TRUE(Run(true, {"127.0.0.1", Serve(0, Behaviour::Silent)}, {"localhost", Serve(0.125)}));
    EXPECT_EQ(2, query_->ServerIndex());
    EXPECT_EQ("Horologia 표준시 서버 \r\nlocalhost", notice_.strServer);
    ASSERT_EQ(2u, query_->Attempts().size());
    EXPECT_EQ(SntpFailure::Timeout, query_->Attempts()[0].failure);
    EXPECT_EQ(ETIMEDOUT, query_->Attempts()[0].error);
    EXPECT_TRUE(query_->Attempts()[1].answered);
}

TEST_F(QueryServerTest, NoAnswerFromEitherLeavesTheTextsStanding) {
    PrefillTexts();
    EXPECT_FALSE(Run(true, Serve(0, Behaviour::Silent), Serve(0, Behaviour::Silent)));
    EXPECT_EQ("서버에서 응답이 없습니다", notice_.strMessage);
    EXPECT_FALSE(notice_.bAnswered);
    EXPECT_EQ(3, query_->ServerIndex());
    EXPECT_EQ("server before", notice_.strServer);
    EXPECT_EQ("offset before", notice_.strOffset);
    EXPECT_EQ("sync before", notice_.strLastSync);
    for (const ServerAttempt& attempt : query_->Attempts())
        EXPECT_EQ(ETIMEDOUT, attempt.error);
    EXPECT_TRUE(clock_.Settings().empty());
}

TEST_F(QueryServerTest, UntrustworthyRepliesCountAsNoAnswer) {
    // A refused primary sends the query to the secondary; with both refused nobody answered.
    EXPECT_TRUE(Run(false, Serve(50, Behaviour::KissOfDeath), Serve(0.5)));
    EXPECT_EQ(2, query_->ServerIndex());
    EXPECT_EQ("사용자 PC가 0.500 초 늦습니다.", notice_.strMessage);

    PrefillTexts();
    config_->Env()->bLog = 1;
    const Behaviour refused[] = {Behaviour::WrongOriginate, Behaviour::Unsynchronised, Behaviour::Short};
    for (const Behaviour b : refused) {
        EXPECT_FALSE(Run(true, Serve(50, b), Serve(50, Behaviour::KissOfDeath)));
        EXPECT_EQ("서버에서 응답이 없습니다", notice_.strMessage);
        EXPECT_FALSE(notice_.bAnswered);
        EXPECT_EQ("server before", notice_.strServer);
    }
    EXPECT_FALSE(Run(true, {"no-such-host..invalid", 123}, {"127.0.0.1", ClosedPort()}));
    EXPECT_EQ(SntpFailure::Resolve, query_->Attempts()[0].failure);
    EXPECT_EQ(QueryOutcome::NoAnswer, query_->Outcome());
    EXPECT_TRUE(clock_.Settings().empty());
    EXPECT_EQ("", Log());
}

TEST_F(QueryServerTest, ZeroReceiveTimeIsRejected) {
    config_->Env()->bLog = 1;
    PrefillTexts();
    EXPECT_FALSE(Run(true, Serve(3, Behaviour::ZeroTimes)));
    EXPECT_EQ("서버와 동기에 실패했습니다.", notice_.strMessage);
    EXPECT_TRUE(notice_.bAnswered);
    ExpectTextsEmpty();
    EXPECT_EQ(QueryOutcome::Rejected, query_->Outcome());
    EXPECT_TRUE(clock_.Settings().empty());
    EXPECT_EQ("", Log());
}

TEST_F(QueryServerTest, SynchroniseSetsTheClockDescribesAndLogsOnce) {
    config_->Env()->bLog = 1;
    EXPECT_TRUE(Run(true, Serve(0.123)));
    ASSERT_EQ(1u, clock_.Settings().size());
    // Now plus the offset, to the nanosecond's rounding.
    const WallTime set = clock_.Settings()[0];
    EXPECT_EQ(kQueryStart.seconds, set.seconds);
    EXPECT_NEAR(248'000'000, set.nanoseconds, 2);
    EXPECT_EQ(" 0.123 초 이내에서 동기되었습니다.", notice_.strMessage);
    EXPECT_EQ("Horologia 표준시 서버 \r\n127.0.0.1", notice_.strServer);
    EXPECT_EQ("0.123 초", notice_.strOffset);
    EXPECT_EQ("2026년 12월 09일 수요일 00시 30분 00초", notice_.strLastSync);
    EXPECT_TRUE(notice_.bAnswered);
    EXPECT_EQ(QueryOutcome::Synchronised, query_->Outcome());
    EXPECT_EQ("2026-12-09 00:30:00 -0.123\n", Log());

    // A PC that is fast logs a positive error; a second synchronisation appends.
    EXPECT_TRUE(Run(true, Serve(-2.5)));
    EXPECT_EQ(" 2.500 초 이내에서 동기되었습니다.", notice_.strMessage);
    EXPECT_EQ("-2.500 초", notice_.strOffset);
    EXPECT_EQ("2026-12-09 00:30:00 -0.123\n2026-12-09 00:29:57 2.500\n", Log());

    config_->Env()->bLog = 0;
    EXPECT_TRUE(Run(true, Serve(1)));
    const std::string log = Log();
    EXPECT_EQ(2, std::count(log.begin(), log.end(), '\n'));
}

TEST_F(QueryServerTest, UserTimeOffsetMovesLocalTimeAfterSetting) {
    config_->Env()->bLog = 1;
    const std::map<int, std::string> expectedLog = {{30, "2026-12-09 01:00:02 -2.000\n"},
                                                    {-5, "2026-12-09 00:25:02 -2.000\n"}};
    for (const auto& [minutes, line] : expectedLog) {
        clock_.Set(kQueryStart);
        std::filesystem::remove(dir_.path() / kLogFileName);
        config_->SyncInfo()->nTimeOffset = minutes;
        const size_t before = clock_.Settings().size();
        EXPECT_TRUE(Run(true, Serve(2.0)));
        const std::vector<WallTime> settings = clock_.Settings();
        // One change: the measured offset and the user's together.
        ASSERT_EQ(before + 1, settings.size());
        EXPECT_EQ(kQueryStart.seconds + 2 + minutes * 60, settings[before].seconds);
        EXPECT_EQ(2'000'000 + int64_t{minutes} * 60'000'000, clock_.Shifts().back().microseconds);
        // The recorded sync time is the moved time.
        EXPECT_EQ(kQueryStart.seconds + 2 + minutes * 60, query_->LastSyncTime());
        EXPECT_EQ(line, Log());
    }
}

TEST_F(QueryServerTest, RefusedSettingSaysSoAndLogsNothing) {
    config_->Env()->bLog = 1;
    clock_.FailShiftWith(platform::ClockSetFailure::NotAuthorised);
    EXPECT_TRUE(Run(true, Serve(0.75)));
    EXPECT_EQ("동기에 실패했습니다.\n" + ClockSetFailureText({platform::ClockSetFailure::NotAuthorised, ""}),
              notice_.strMessage);
    EXPECT_TRUE(notice_.bAnswered);
    EXPECT_EQ("Horologia 표준시 서버 \r\n127.0.0.1", notice_.strServer);
    EXPECT_EQ("0.000 초", notice_.strOffset);
    EXPECT_EQ("", notice_.strLastSync);
    EXPECT_EQ(QueryOutcome::SetFailed, query_->Outcome());
    EXPECT_EQ(platform::ClockSetFailure::NotAuthorised, query_->SetClockResult().failure);
    EXPECT_EQ(0, query_->LastSyncTime());
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / kLogFileName));
}

TEST_F(QueryServerTest, UnwritableLogDirectoryStillSynchronises) {
    config_->Env()->bLog = 1;
    query_ =
        std::make_unique<CTiko_QueryServer>(clock_, config_.get(), dir_.path() / "missing",
                                            ServerPair{{"127.0.0.1", Serve(1)}, {"127.0.0.1", ClosedPort()}});
    notice_.bSetClock = true;
    EXPECT_TRUE(query_->RunQuery(notice_));
    EXPECT_EQ(" 1.000 초 이내에서 동기되었습니다.", notice_.strMessage);
}

// The real clock setter on a private system bus: the time service is dbusmock's, and the fixture
// has given up CAP_SYS_TIME, so nothing here can set the machine's clock.
class QueryOnBusTest : public ::testing::Test {
protected:
    QueryOnBusTest() : config_(LoadConfiguration(dir_.path())) { config_->Env()->bLog = 1; }

    TimeNotice Sync(bool interactive, double ahead = 2.5) {
        CSntpResponder server(real_, ahead);
        EXPECT_TRUE(server.Start());
        query_ = std::make_unique<CTiko_QueryServer>(
            real_, config_.get(), dir_.path(),
            ServerPair{{"127.0.0.1", server.Port()}, {"127.0.0.1", ClosedPort()}});
        TimeNotice notice;
        notice.bSetClock = true;
        notice.bInteractive = interactive;
        query_->RunQuery(notice);
        return notice;
    }

    PrivateSystemBus bus_;
    TempDir dir_;
    std::unique_ptr<Class_TIKOCONF_TOP> config_;
    platform::SystemClock real_;
    std::unique_ptr<CTiko_QueryServer> query_;
};

TEST_F(QueryOnBusTest, OneRelativeSetTimeOfTheOffsetPlusTheUsersOffset) {
    ASSERT_TRUE(bus_.StartPolkit(true) && bus_.StartTimedated(false)) << bus_.Problem();
    config_->SyncInfo()->nTimeOffset = 3;
    for (const bool interactive : {true, false}) {
        const TimeNotice notice = Sync(interactive);
        EXPECT_EQ(QueryOutcome::Synchronised, query_->Outcome()) << notice.strMessage;
    }
    const auto calls = bus_.SetTimeCalls();
    ASSERT_EQ(2u, calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_NEAR(2'500'000 + 180'000'000, calls[i].microseconds, 5'000);
        EXPECT_TRUE(calls[i].relative);
        EXPECT_EQ(i == 0, calls[i].interactive);
    }
}

TEST_F(QueryOnBusTest, EachRefusalSaysItsCauseAndLogsNothing) {
    struct Case {
        bool timedated;
        bool ntp;
        bool polkitAllows;
        platform::ClockSetFailure failure;
        const char* words;  // the way on that the message must name
    };
    for (const Case c :
         {Case{true, true, true, platform::ClockSetFailure::AutomaticSync, "timedatectl set-ntp false"},
          Case{true, false, false, platform::ClockSetFailure::NotAuthorised, "adduser $USER tiko3"},
          Case{false, false, false, platform::ClockSetFailure::NoServiceNoRight, "setcap"}}) {
        PrivateSystemBus bus;
        ASSERT_TRUE(bus.StartPolkit(c.polkitAllows)) << bus.Problem();
        if (c.timedated) {
            ASSERT_TRUE(bus.StartTimedated(c.ntp)) << bus.Problem();
        }
        const TimeNotice notice = Sync(true);
        EXPECT_EQ(QueryOutcome::SetFailed, query_->Outcome());
        EXPECT_EQ(c.failure, query_->SetClockResult().failure) << query_->SetClockResult().detail;
        EXPECT_EQ(0u, notice.strMessage.rfind("동기에 실패했습니다.\n", 0)) << notice.strMessage;
        EXPECT_NE(std::string::npos, notice.strMessage.find(c.words)) << notice.strMessage;
        EXPECT_FALSE(std::filesystem::exists(dir_.path() / kLogFileName));
    }
}
