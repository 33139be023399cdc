#include "timeservices/sche_mgr.h"

#include <gtest/gtest.h>

#include "encoding/cp949.h"
#include "manager_harness.h"

namespace {

using harness::CountingClock;

using harness::kSeoul;

int64_t LocalSeconds(const platform::Clock& clock, int y, int mo, int d, int h, int mi) {
    calendar::CivilTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    return clock.FromLocal(t);
}

// An item at the given local time of day (on a date long past, repeat kind once) with leads.
Class_TIKOSCHEDULE* AddItem(Class_TIKOSCHEDULE_TOP& book, const platform::Clock& clock, int hour, int minute,
                            const char* memoUtf8, std::initializer_list<int> leads) {
    auto item = std::make_unique<Class_TIKOSCHEDULE>();
    item->tWhen = LocalSeconds(clock, 2002, 5, 20, hour, minute);
    item->nRepeat = kRepeatOnce;
    item->strMemo.Set(encoding::Utf8ToCp949(memoUtf8).value());
    for (int lead : leads)
        item->AlarmFlag(lead) = true;
    return book.AddItem(std::move(item));
}

constexpr int kOnTime = 0;
constexpr int k10Min = 3;
constexpr int k30Min = 5;

class CollectAlarmsTest : public testing::Test {
protected:
    std::string At(int h, int mi, int d = 8) {
        std::string text;
        CollectAlarms(book.get(), clock, LocalSeconds(clock, 2026, 12, d, h, mi), text);
        return text;
    }

    CountingClock clock{{1'700'000'000, 0}, kSeoul};
    std::unique_ptr<Class_TIKOSCHEDULE_TOP> book = CTIKOScheduleList_Mgr().BuildDefaultTree();
};

TEST_F(CollectAlarmsTest, LeadAndOnTimeLinesComeEveryDayWhateverTheDate) {
    AddItem(*book, clock, 9, 0, "회의", {k10Min, kOnTime});
    EXPECT_EQ(At(8, 50), "[10분후]회의\r\n");
    EXPECT_EQ(At(9, 0), "[지금]회의\r\n");
    EXPECT_EQ(At(8, 51), "");
    EXPECT_EQ(At(8, 50, 9), "[10분후]회의\r\n");
}

TEST_F(CollectAlarmsTest, TwoItemsInOneMinuteGiveTwoLinesInBookOrder) {
    AddItem(*book, clock, 9, 0, "둘째", {kOnTime});
    AddItem(*book, clock, 9, 10, "첫째", {k10Min});
    AddItem(*book, clock, 9, 0, "", {kOnTime, k10Min});
    EXPECT_EQ(At(9, 0), "[지금]둘째\r\n[10분후]첫째\r\n[지금]\r\n");
}

TEST_F(CollectAlarmsTest, LeadAcrossMidnightIsBuiltOnTheCurrentDate) {
    AddItem(*book, clock, 0, 10, "자정", {k30Min});
    EXPECT_EQ(At(23, 40), "");
}

TEST_F(CollectAlarmsTest, MissingOrEmptyBookCollectsNothing) {
    std::string text;
    EXPECT_FALSE(CollectAlarms(nullptr, clock, 0, text));
    EXPECT_FALSE(CollectAlarms(book.get(), clock, 0, text));
    AddItem(*book, clock, 9, 0, "x", {});
    EXPECT_TRUE(CollectAlarms(book.get(), clock, LocalSeconds(clock, 2026, 12, 8, 9, 0), text));
    EXPECT_EQ(text, "");
}

class ScheMgrTest : public testing::Test {
protected:
    ScheMgrTest() {
        fx.clock.fake.SetLocalOffset(kSeoul);
        AddItem(*fx.book, fx.clock, 9, 0, "회의", {kOnTime});
    }

    // Starts watching at the given local time and waits until the first check has looked.
    std::unique_ptr<harness::Running<CTiko_ScheMgr>> StartAt(int h, int mi, int s) {
        fx.clock.SetLocal(2026, 12, 8, h, mi, s);
        auto mgr = std::make_unique<harness::Running<CTiko_ScheMgr>>(runtime.mediator(), fx.Services());
        EXPECT_TRUE(fx.states.WaitFor("Tiko_ScheMgr", AO_ENTRY_SIG));
        if (fx.conf->Alarm()->bAlarm == 1) {
            EXPECT_TRUE(fx.clock.WaitForReads(2));
        }
        return mgr;
    }

    harness::Runtime runtime;
    harness::Recorder recorder{runtime.mediator(), {AO_ALARM_NOTIFY_SIG}};
    harness::Fixture fx;
};

TEST_F(ScheMgrTest, SwitchedOnBeforeTheMinuteRaisesIt) {
    fx.conf->Alarm()->bAlarm = 1;
    auto mgr = StartAt(8, 59, 30);
    fx.clock.SetLocal(2026, 12, 8, 9, 0, 0, 200);
    ASSERT_TRUE(recorder.WaitForCount(AO_ALARM_NOTIFY_SIG, 1));
    const auto got = recorder.All(AO_ALARM_NOTIFY_SIG);
    EXPECT_EQ(got[0].alarmFirst, "[지금]회의\r\n");
    EXPECT_EQ(got[0].alarmSecond, got[0].alarmFirst);
    ASSERT_TRUE(fx.sound.WaitForCalls(1, harness::kBound));
    EXPECT_EQ(fx.sound.Calls()[0].path, "emile.wav");
    // Later checks in the same minute raise nothing more.
    EXPECT_TRUE(fx.clock.WaitForReads(3));
    EXPECT_EQ(recorder.Count(AO_ALARM_NOTIFY_SIG), 1u);
}

TEST_F(ScheMgrTest, SwitchedOnWithinTheMinuteNeverExaminesIt) {
    fx.conf->Alarm()->bAlarm = 1;
    auto mgr = StartAt(9, 0, 20);
    fx.clock.SetLocal(2026, 12, 8, 9, 0, 50);
    EXPECT_TRUE(fx.clock.WaitForReads(3));
    fx.clock.SetLocal(2026, 12, 8, 9, 1, 5);
    EXPECT_TRUE(fx.clock.WaitForReads(3));
    EXPECT_EQ(recorder.Count(AO_ALARM_NOTIFY_SIG), 0u);
}

TEST_F(ScheMgrTest, AlarmSwitchedOffWithoutSignalStillPublishesButIsSilent) {
    fx.conf->Alarm()->bAlarm = 1;
    auto mgr = StartAt(8, 59, 0);
    fx.conf->Alarm()->bAlarm = 0;
    fx.clock.SetLocal(2026, 12, 8, 9, 0, 0);
    ASSERT_TRUE(recorder.WaitForCount(AO_ALARM_NOTIFY_SIG, 1));
    EXPECT_TRUE(fx.clock.WaitForReads(3));
    EXPECT_TRUE(fx.sound.Calls().empty());
}

TEST_F(ScheMgrTest, UserSoundThatFailsFallsBackToTheBeep) {
    fx.conf->Alarm()->bAlarm = 1;
    fx.conf->Alarm()->bBuiltinSound = 0;
    fx.conf->Alarm()->strSoundFile.Set(encoding::Utf8ToCp949("/tmp/종소리.wav").value());
    fx.sound.SetWavFails(true);
    auto mgr = StartAt(8, 59, 0);
    fx.clock.SetLocal(2026, 12, 8, 9, 0, 0);
    ASSERT_TRUE(fx.sound.WaitForCalls(2, harness::kBound));
    const auto calls = fx.sound.Calls();
    EXPECT_EQ(calls[0].path, "/tmp/종소리.wav");
    EXPECT_EQ(calls[1].kind, platform::FakeSoundPlayer::Call::Kind::kBeep);
    EXPECT_EQ(calls[1].frequency_hz, 440);
    EXPECT_EQ(calls[1].duration_ms, 10);
}

TEST_F(ScheMgrTest, AlarmOnSignalStartsWatchingFromIdle) {
    auto mgr = StartAt(8, 59, 0);  // bAlarm 0: idle, no checks
    runtime.Publish(AO_ALARM_OFF_SIG);
    runtime.Publish(AO_ALARM_ON_SIG);
    ASSERT_TRUE(fx.states.WaitFor("Tiko_ScheMgr", AO_ENTRY_SIG, 2));
    EXPECT_EQ(fx.states.Count("Tiko_ScheMgr", AO_EXIT_SIG), 1u);
    fx.clock.SetLocal(2026, 12, 8, 9, 0, 0);
    ASSERT_TRUE(recorder.WaitForCount(AO_ALARM_NOTIFY_SIG, 1));
    runtime.Publish(AO_ALARM_OFF_SIG);
    ASSERT_TRUE(fx.states.WaitFor("Tiko_ScheMgr", AO_ENTRY_SIG, 3));
    EXPECT_EQ(fx.states.Count("Tiko_ScheMgr", AO_EXIT_SIG), 2u);
}

// The clock moves without a notice (a resume, a setting by another program): the minute an
// alarm stands on is raised once, late, when a jump of minutes passed it; a jump of hours
// raises nothing old; a step back raises nothing twice.
class ScheMgrClockJumpTest : public ScheMgrTest {
protected:
    ScheMgrClockJumpTest() { AddItem(*fx.book, fx.clock, 10, 2, "보고", {kOnTime}); }

    // Moves the clock and waits until the manager has looked at least once more.
    void JumpTo(int h, int mi, int s) {
        fx.clock.SetLocal(2026, 12, 8, h, mi, s);
        EXPECT_TRUE(fx.clock.WaitForReads(3));
    }

    std::size_t Raised() { return recorder.Count(AO_ALARM_NOTIFY_SIG); }
};

TEST_F(ScheMgrClockJumpTest, JumpOfMinutesPastTheAlarmRaisesItOnceLate) {
    fx.conf->Alarm()->bAlarm = 1;
    auto mgr = StartAt(10, 0, 30);
    JumpTo(10, 4, 10);  // 10:02 passed by two minutes
    ASSERT_TRUE(recorder.WaitForCount(AO_ALARM_NOTIFY_SIG, 1));
    EXPECT_EQ(recorder.All(AO_ALARM_NOTIFY_SIG)[0].alarmFirst, "[지금]보고\r\n");
    JumpTo(10, 4, 40);
    JumpTo(10, 5, 5);
    EXPECT_EQ(Raised(), 1u);
    ASSERT_TRUE(fx.sound.WaitForCalls(1, harness::kBound));
}

TEST_F(ScheMgrClockJumpTest, JumpOfMinutesToJustBeforeTheAlarmRaisesItOnTime) {
    fx.conf->Alarm()->bAlarm = 1;
    auto mgr = StartAt(9, 57, 30);
    JumpTo(10, 1, 50);
    EXPECT_EQ(Raised(), 0u);
    fx.clock.SetLocal(2026, 12, 8, 10, 2, 0, 200);
    ASSERT_TRUE(recorder.WaitForCount(AO_ALARM_NOTIFY_SIG, 1));
    JumpTo(10, 2, 30);
    EXPECT_EQ(Raised(), 1u);
}

TEST_F(ScheMgrClockJumpTest, JumpOfHoursToJustBeforeTheAlarmRaisesItWhenItsMinuteComes) {
    fx.conf->Alarm()->bAlarm = 1;
    auto mgr = StartAt(8, 1, 50);
    JumpTo(10, 1, 50);  // the same minute of the hour as before the jump
    EXPECT_EQ(Raised(), 0u);
    fx.clock.SetLocal(2026, 12, 8, 10, 2, 0, 200);
    ASSERT_TRUE(recorder.WaitForCount(AO_ALARM_NOTIFY_SIG, 1));
    EXPECT_EQ(recorder.All(AO_ALARM_NOTIFY_SIG)[0].alarmFirst, "[지금]보고\r\n");
}

TEST_F(ScheMgrClockJumpTest, JumpOfHoursPastTheAlarmRaisesNothingOld) {
    fx.conf->Alarm()->bAlarm = 1;
    auto mgr = StartAt(8, 1, 50);
    JumpTo(10, 8, 10);  // 9:00 and 10:02 both passed, hours away from the last minute examined
    JumpTo(10, 9, 5);
    EXPECT_EQ(Raised(), 0u);
    EXPECT_TRUE(fx.sound.Calls().empty());
}

TEST_F(ScheMgrClockJumpTest, StepBackAfterTheAlarmRaisesNothingTwice) {
    fx.conf->Alarm()->bAlarm = 1;
    auto mgr = StartAt(10, 1, 30);
    fx.clock.SetLocal(2026, 12, 8, 10, 2, 0, 200);
    ASSERT_TRUE(recorder.WaitForCount(AO_ALARM_NOTIFY_SIG, 1));
    JumpTo(10, 1, 50);  // a correction of a few seconds back over the minute
    JumpTo(10, 2, 10);
    JumpTo(10, 3, 10);
    EXPECT_EQ(Raised(), 1u);
}

}  // namespace
