#include "timeservices/sync_mgr.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "encoding/cp949.h"
#include "manager_harness.h"
#include "tests/support/private_system_bus.h"
#include "tests/support/sntp_responder.h"

namespace {

std::string Utf8(const CLumText& text) {
    return encoding::Cp949ToUtf8Lossy(text.Get());
}

// Sync manager on the fake clock, asking loopback responders that answer from the same clock.
class SyncMgrTest : public testing::Test {
protected:
    void StartResponders(double offset,
                         CSntpResponder::Behaviour behaviour = CSntpResponder::Behaviour::Normal) {
        primary = std::make_unique<CSntpResponder>(fx.clock, offset, behaviour);
        secondary = std::make_unique<CSntpResponder>(fx.clock, offset, behaviour);
        ASSERT_TRUE(primary->Start());
        ASSERT_TRUE(secondary->Start());
    }

    CTiko_Services Services() {
        CTiko_Services s = fx.Services();
        s.query = [this](TimeNotice& notice) {
            ServerPair servers{{"127.0.0.1", primary->Port()}, {"127.0.0.1", secondary->Port()}};
            CTiko_QueryServer query(fx.clock, fx.conf.get(), {}, servers);
            return query.RunQuery(notice);
        };
        return s;
    }

    std::unique_ptr<harness::Running<CTiko_SyncMgr>> Start() {
        auto mgr = std::make_unique<harness::Running<CTiko_SyncMgr>>(runtime.mediator(), Services());
        EXPECT_TRUE(fx.states.WaitFor("Tiko_SyncMgr", AO_ENTRY_SIG));
        return mgr;
    }

    Class_TIKOCONF_SYNCINFO& info() { return *fx.conf->SyncInfo(); }

    harness::Runtime runtime;
    harness::Recorder recorder{runtime.mediator(), {AO_COMPARE_RESULT_SIG, AO_SYNC_RESULT_SIG}};
    harness::Fixture fx;
    std::unique_ptr<CSntpResponder> primary;
    std::unique_ptr<CSntpResponder> secondary;
};

TEST_F(SyncMgrTest, CompareAndSynchroniseAnswerInBothStates) {
    StartResponders(0.25);
    const std::string neverSynced = info().strLastSync.Get();
    auto mgr = Start();

    for (int round = 0; round < 2; ++round) {
        runtime.Publish(AO_SYNC_COMPARE_SIG);
        ASSERT_TRUE(recorder.WaitForCount(AO_COMPARE_RESULT_SIG, round + 1));
        const TimeNotice compared = recorder.All(AO_COMPARE_RESULT_SIG).back().notice;
        EXPECT_TRUE(compared.bAnswered);
        EXPECT_FALSE(compared.bSetClock);
        EXPECT_EQ(compared.strMessage, "사용자 PC가 0.250 초 늦습니다.");
        if (round == 0) {
            EXPECT_EQ(info().strLastSync.Get(), neverSynced);  // a compare changes no stored text
        }

        runtime.Publish(AO_SYNC_SET_SIG);
        ASSERT_TRUE(recorder.WaitForCount(AO_SYNC_RESULT_SIG, round + 1));
        const TimeNotice synced = recorder.All(AO_SYNC_RESULT_SIG).back().notice;
        EXPECT_TRUE(synced.bSetClock);
        EXPECT_EQ(synced.strMessage, " 0.250 초 이내에서 동기되었습니다.");
        EXPECT_EQ(Utf8(info().strServer), synced.strServer);
        EXPECT_EQ(Utf8(info().strLastOffset), "0.250 초");
        EXPECT_EQ(Utf8(info().strLastSync), synced.strLastSync);
        EXPECT_NE(synced.strServer.find("127.0.0.1"), std::string::npos);

        // Second round in the automatic state.
        runtime.Publish(AO_AUTOSYNC_ON_SIG);
        ASSERT_TRUE(fx.states.WaitFor("Tiko_SyncMgr", AO_ENTRY_SIG, 2));
    }
    EXPECT_EQ(fx.clock.fake.Settings().size(), 2u);
    // 동기 is a person's own action: the time service may ask for a password.
    for (const auto& shift : fx.clock.fake.Shifts())
        EXPECT_EQ(platform::Prompt::Allowed, shift.prompt);
}

TEST_F(SyncMgrTest, UnansweredSynchroniseKeepsTheStoredTexts) {
    StartResponders(0.0, CSntpResponder::Behaviour::Silent);
    info().strServer.Set("before");
    auto mgr = Start();
    runtime.Publish(AO_SYNC_SET_SIG);
    runtime.Publish(AO_SYNC_SET_SIG);
    ASSERT_TRUE(recorder.WaitForCount(AO_SYNC_RESULT_SIG, 2));
    const TimeNotice result = recorder.All(AO_SYNC_RESULT_SIG)[0].notice;
    EXPECT_FALSE(result.bAnswered);
    EXPECT_EQ(result.strMessage, "서버에서 응답이 없습니다");
    EXPECT_EQ(info().strServer.Get(), "before");
    EXPECT_TRUE(fx.clock.fake.Settings().empty());
}

TEST_F(SyncMgrTest, AutomaticSyncComesOnePeriodAfterEntryThenEveryPeriod) {
    StartResponders(0.0);
    info().bAutoSync = 1;
    info().nSyncPeriod = 60;
    auto mgr = Start();
    for (int n = 1; n <= 2; ++n) {
        fx.clock.fake.AdvanceSeconds(3599);
        EXPECT_TRUE(fx.clock.WaitForReads(3));
        EXPECT_EQ(recorder.Count(AO_SYNC_RESULT_SIG), static_cast<size_t>(n - 1));
        fx.clock.fake.AdvanceSeconds(1);
        ASSERT_TRUE(recorder.WaitForCount(AO_SYNC_RESULT_SIG, n));
    }
    // A request meanwhile does not move the count on; switching the state again restarts it.
    fx.clock.fake.AdvanceSeconds(1800);
    runtime.Publish(AO_AUTOSYNC_ON_SIG);
    fx.clock.fake.AdvanceSeconds(1800);
    ASSERT_TRUE(recorder.WaitForCount(AO_SYNC_RESULT_SIG, 3));
    runtime.Publish(AO_AUTOSYNC_OFF_SIG);
    runtime.Publish(AO_AUTOSYNC_ON_SIG);
    ASSERT_TRUE(fx.states.WaitFor("Tiko_SyncMgr", AO_ENTRY_SIG, 3));
    fx.clock.fake.AdvanceSeconds(3599);
    EXPECT_TRUE(fx.clock.WaitForReads(3));
    EXPECT_EQ(recorder.Count(AO_SYNC_RESULT_SIG), 3u);
    // Nobody is at the keyboard for the automatic synchronisation: it never prompts.
    ASSERT_EQ(3u, fx.clock.fake.Shifts().size());
    for (const auto& shift : fx.clock.fake.Shifts())
        EXPECT_EQ(platform::Prompt::Never, shift.prompt);
}

// The manager's synchronisations through the real setter on a private bus: the person's 동기 may
// prompt, the automatic one never; both are one relative change of the offset plus the user's.
TEST_F(SyncMgrTest, BothSynchronisationsReachTheTimeServiceOnce) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.StartPolkit(true) && bus.StartTimedated(false)) << bus.Problem();
    platform::SystemClock real;
    CSntpResponder server(real, 2.5);
    ASSERT_TRUE(server.Start());
    info().nTimeOffset = 1;
    info().bAutoSync = 1;
    info().nSyncPeriod = 60;
    CTiko_Services services = fx.Services();
    services.query = [&](TimeNotice& notice) {
        CTiko_QueryServer query(
            real, fx.conf.get(), {},
            ServerPair{{"127.0.0.1", server.Port()}, {"127.0.0.1", CSntpResponder::ClosedPort()}});
        return query.RunQuery(notice);
    };
    harness::Running<CTiko_SyncMgr> mgr(runtime.mediator(), services);
    ASSERT_TRUE(fx.states.WaitFor("Tiko_SyncMgr", AO_ENTRY_SIG));
    runtime.Publish(AO_SYNC_SET_SIG);
    ASSERT_TRUE(recorder.WaitForCount(AO_SYNC_RESULT_SIG, 1));
    fx.clock.fake.AdvanceSeconds(3600);
    ASSERT_TRUE(recorder.WaitForCount(AO_SYNC_RESULT_SIG, 2));

    const auto calls = bus.SetTimeCalls();
    ASSERT_EQ(2u, calls.size());
    for (const auto& call : calls) {
        EXPECT_NEAR(2'500'000 + 60'000'000, call.microseconds, 5'000);
        EXPECT_TRUE(call.relative);
    }
    EXPECT_TRUE(calls[0].interactive);
    EXPECT_FALSE(calls[1].interactive);
}

// A refused setting is said with its cause after the usual words, and the stored offset stays.
TEST_F(SyncMgrTest, RefusedSettingNamesItsCause) {
    StartResponders(0.5);
    info().nTimeOffset = 7;
    fx.clock.fake.FailShiftWith(platform::ClockSetFailure::AutomaticSync);
    auto mgr = Start();
    runtime.Publish(AO_SYNC_SET_SIG);
    ASSERT_TRUE(recorder.WaitForCount(AO_SYNC_RESULT_SIG, 1));
    const TimeNotice result = recorder.All(AO_SYNC_RESULT_SIG)[0].notice;
    EXPECT_EQ(0u, result.strMessage.rfind("동기에 실패했습니다.\n", 0)) << result.strMessage;
    EXPECT_NE(std::string::npos, result.strMessage.find("timedatectl set-ntp false"));
    EXPECT_EQ(7, info().nTimeOffset.load());
    EXPECT_TRUE(fx.clock.fake.Settings().empty());
}

TEST_F(SyncMgrTest, ChangedPeriodTakesEffectAtTheNextCheck) {
    StartResponders(0.0);
    info().bAutoSync = 1;
    info().nSyncPeriod = 60;
    auto mgr = Start();
    fx.clock.fake.AdvanceSeconds(600);
    EXPECT_TRUE(fx.clock.WaitForReads(3));
    EXPECT_EQ(recorder.Count(AO_SYNC_RESULT_SIG), 0u);
    info().nSyncPeriod = 10;
    // The next check may be up to ten seconds off; a second more on the clock brings it now.
    fx.clock.fake.AdvanceSeconds(1);
    ASSERT_TRUE(recorder.WaitForCount(AO_SYNC_RESULT_SIG, 1));
}

// A stored period of 0 or less would set the clock from the servers at every check, twice a
// second; it counts as the shortest period the settings offer, a minute.
TEST_F(SyncMgrTest, APeriodOfZeroOrLessIsAMinute) {
    StartResponders(0.0);
    info().bAutoSync = 1;
    info().nSyncPeriod = 0;
    auto mgr = Start();
    size_t expected = 0;
    for (const int32_t period : {0, -5, INT32_MIN}) {
        info().nSyncPeriod = period;
        fx.clock.fake.AdvanceSeconds(59);
        EXPECT_TRUE(fx.clock.WaitForReads(3));
        EXPECT_EQ(recorder.Count(AO_SYNC_RESULT_SIG), expected) << period;
        fx.clock.fake.AdvanceSeconds(1);
        ASSERT_TRUE(recorder.WaitForCount(AO_SYNC_RESULT_SIG, ++expected)) << period;
    }
}

TEST_F(SyncMgrTest, LeavingAutomaticStopsTheChecks) {
    StartResponders(0.0);
    info().bAutoSync = 1;
    info().nSyncPeriod = 1;
    auto mgr = Start();
    for (size_t n = 1; n <= 2; ++n) {
        fx.clock.fake.AdvanceSeconds(60);
        ASSERT_TRUE(recorder.WaitForCount(AO_SYNC_RESULT_SIG, n));
    }
    runtime.Publish(AO_AUTOSYNC_OFF_SIG);
    ASSERT_TRUE(fx.states.WaitFor("Tiko_SyncMgr", AO_EXIT_SIG));
    // A compare after the switch is a barrier: anything queued before it has been handled.
    runtime.Publish(AO_SYNC_COMPARE_SIG);
    ASSERT_TRUE(recorder.WaitForCount(AO_COMPARE_RESULT_SIG, 1));
    const size_t synced = recorder.Count(AO_SYNC_RESULT_SIG);
    fx.clock.fake.AdvanceSeconds(120);
    runtime.Publish(AO_SYNC_COMPARE_SIG);
    ASSERT_TRUE(recorder.WaitForCount(AO_COMPARE_RESULT_SIG, 2));
    EXPECT_EQ(recorder.Count(AO_SYNC_RESULT_SIG), synced);
}

}  // namespace
