#include "timeservices/facade.h"

#include <dirent.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "manager_harness.h"
#include "runtime/mediator.h"
#include "runtime/timer_agent.h"
#include "timeservices/clock_src_mgr.h"
#include "timeservices/comm_mgr.h"
#include "timeservices/sche_mgr.h"
#include "timeservices/sync_mgr.h"

namespace {

const char* const kManagers[] = {"Tiko_ClockSrcMgr", "Tiko_SyncMgr", "Tiko_CommMgr", "Tiko_ScheMgr"};

size_t RuntimeThreads() {
    const auto names = ThreadNames();
    return std::count_if(names.begin(), names.end(),
                         [](const std::string& n) { return n.rfind("T_", 0) == 0; });
}

// Four real managers on their threads, fakes underneath; no server is asked.
struct FacadeFixture : harness::Fixture {
    CTiko_Services Services() {
        CTiko_Services s = harness::Fixture::Services();
        s.query = [](TimeNotice& notice) {
            notice.bAnswered = true;
            notice.strMessage =
                notice.bSetClock ? " 0.000 초 이내에서 동기되었습니다." : "사용자 PC가 0.000 초 늦습니다.";
            notice.strServer = notice.bSetClock ? "Horologia 표준시 서버 \r\nloopback" : "";
            notice.strOffset = notice.bSetClock ? "0.000 초" : "";
            return true;
        };
        return s;
    }
};

// A facade whose memory manager has no block for one manager.
class ShortOfMemoryFacade : public CTiko_Facade {
public:
    ShortOfMemoryFacade(const CTiko_Services& services, int refused)
        : CTiko_Facade(services), refused_(refused) {}

protected:
    void* AllocateBlock(LumAOSM_MemMgr& memory, size_t size, int index) override {
        return index == refused_ ? nullptr : CTiko_Facade::AllocateBlock(memory, size, index);
    }

private:
    int refused_;
};

bool Subscribed(const CLumAOSM_Mediator& mediator, int32_t signal, const std::string& name) {
    for (const auto& entry : mediator.Table()) {
        if (entry.signal != signal)
            continue;
        for (const CLumAOSM_Observer* observer : entry.subscribers)
            if (name == observer->GetName())
                return true;
    }
    return false;
}

TEST(Facade, LaunchRunsFourSubscribedManagersAndStopEndsThemInOrder) {
    const size_t before = RuntimeThreads();
    FacadeFixture fx;
    fx.conf->SyncInfo()->bAutoSync = 1;
    fx.conf->Alarm()->bAlarm = 1;
    auto facade = std::make_unique<CTiko_Facade>(fx.Services());
    ASSERT_TRUE(facade->CLumAOSM_Config::IsRunning());
    ASSERT_TRUE(facade->Launch());
    for (const char* name : kManagers)
        ASSERT_TRUE(fx.states.WaitFor(name, AO_ENTRY_SIG)) << name;

    CLumAOSM_Mediator* mediator = CLumAOSM_Mediator::Process();
    {
        // A publication that comes back proves the managers' subscriptions have been entered.
        harness::Recorder recorder(mediator, {AO_COMM_SENT_SIG});
        mediator->Publish(CLumAOSM_Message(AO_COMM_SEND_SIG));
        ASSERT_TRUE(recorder.WaitForCount(AO_COMM_SENT_SIG, 1));
        for (const char* name : kManagers)
            for (int32_t signal :
                 {AO_All2All_KillAll_SIG, AO_All2All_SuspendAll_SIG, AO_All2All_ResumeAll_SIG})
                EXPECT_TRUE(Subscribed(*mediator, signal, name)) << name << " " << signal;
        for (int32_t signal = AO_SYNC_COMPARE_SIG; signal <= AO_AUTOSYNC_OFF_SIG; ++signal)
            EXPECT_TRUE(Subscribed(*mediator, signal, "Tiko_SyncMgr")) << signal;
        for (int32_t signal = AO_COMM_SEND_SIG; signal <= AO_COMM_AUTO_OFF_SIG; ++signal)
            EXPECT_TRUE(Subscribed(*mediator, signal, "Tiko_CommMgr")) << signal;
        for (int32_t signal : {AO_ALARM_ON_SIG, AO_ALARM_OFF_SIG})
            EXPECT_TRUE(Subscribed(*mediator, signal, "Tiko_ScheMgr")) << signal;
        for (int32_t signal = AO_SYNC_COMPARE_SIG; signal <= AO_ALARM_NOTIFY_SIG; ++signal)
            EXPECT_FALSE(Subscribed(*mediator, signal, "Tiko_ClockSrcMgr")) << signal;
    }
    // Facade, timer agent, tick, mediator, four managers. Waited for: a thread still being
    // named or ending is counted for a moment.
    EXPECT_TRUE(harness::WaitUntil([&] { return RuntimeThreads() == before + 8; })) << RuntimeThreads();

    facade->Stop();
    EXPECT_EQ(Bounded([&] { return facade->WaitUntilStopped(); }), 0);
    std::vector<std::string> exits;
    for (const auto& [name, signal] : fx.states.Events())
        if (signal == AO_EXIT_SIG)
            exits.push_back(name);
    EXPECT_EQ(exits, std::vector<std::string>(std::begin(kManagers), std::end(kManagers)));
    EXPECT_EQ(facade->ClockSrcMgr(), nullptr);

    Bounded([&] { facade.reset(); });
    EXPECT_EQ(CLumAOSM_Mediator::Process(), nullptr);
    EXPECT_EQ(CLumAOSM_TimerAgent::Process(), nullptr);
    EXPECT_TRUE(harness::WaitUntil([&] { return RuntimeThreads() == before; }));
}

TEST(Facade, ManagerWithoutABlockIsSkippedAndTheOthersRun) {
    FacadeFixture fx;
    fx.conf->Comm()->bCom1 = 1;
    {
        ShortOfMemoryFacade facade(fx.Services(), 1);
        ASSERT_TRUE(facade.Launch());
        for (const char* name : {"Tiko_ClockSrcMgr", "Tiko_CommMgr", "Tiko_ScheMgr"})
            ASSERT_TRUE(fx.states.WaitFor(name, AO_ENTRY_SIG)) << name;
        harness::Recorder recorder(CLumAOSM_Mediator::Process(), {AO_COMM_SENT_SIG, AO_COMPARE_RESULT_SIG});
        CLumAOSM_Mediator::Process()->Publish(CLumAOSM_Message(AO_SYNC_COMPARE_SIG));
        CLumAOSM_Mediator::Process()->Publish(CLumAOSM_Message(AO_COMM_SEND_SIG));
        ASSERT_TRUE(recorder.WaitForCount(AO_COMM_SENT_SIG, 1));
        EXPECT_EQ(recorder.Count(AO_COMPARE_RESULT_SIG), 0u);
        facade.Stop();
        EXPECT_EQ(Bounded([&] { return facade.WaitUntilStopped(); }), 0);
    }
    EXPECT_EQ(fx.states.Count("Tiko_SyncMgr", AO_ENTRY_SIG), 0u);
    EXPECT_EQ(fx.states.Count("Tiko_ScheMgr", AO_EXIT_SIG), 1u);
}

TEST(Facade, StopRightAfterLaunchIsNotLost) {
    FacadeFixture fx;
    CTiko_Facade facade(fx.Services());
    ASSERT_TRUE(facade.Launch());
    facade.Stop();
    EXPECT_EQ(Bounded([&] { return facade.WaitUntilStopped(); }), 0);
}

// The shell and dialogs edit both trees on their own thread while the managers read them. The
// clock is driven a minute at a time, each minute with an alarm due, so the alarm manager walks a
// book under edit on every step however loaded the machine is.
TEST(Facade, EditingTheTreesWhileTheManagersRunIsRaceFree) {
    FacadeFixture fx;
    fx.conf->SyncInfo()->bAutoSync = 1;
    fx.conf->SyncInfo()->nSyncPeriod = 0;
    fx.conf->Alarm()->bAlarm = 1;
    fx.conf->Env()->bSound = 1;
    fx.clock.fake.SetStepPerRead(1'000'000);
    CTiko_Facade facade(fx.Services());
    ASSERT_TRUE(facade.Launch());
    ASSERT_TRUE(fx.states.WaitFor("Tiko_ScheMgr", AO_ENTRY_SIG));
    std::atomic<bool> stop{false};
    std::atomic<int> edits{0};
    std::thread editor([&] {
        // Adds and removes items of its own half a day away, and rewrites settings, without pause.
        for (int i = 0; !stop.load() || i < 400; ++i) {
            auto item = std::make_unique<Class_TIKOSCHEDULE>();
            item->tWhen = fx.clock.fake.NowUtc().seconds + 12 * 3600 + 60 * (i % 3);
            item->bAlarmOnTime = true;
            item->strMemo.Set("memo " + std::to_string(i));
            const std::string guid = fx.book->AddItem(std::move(item))->strGuid.Get();
            if (i % 4 == 3)
                fx.book->RemoveItem(guid);
            fx.conf->SyncInfo()->strServer.Set("edited " + std::to_string(i));
            fx.conf->Alarm()->strSoundFile.Set("/tmp/" + std::to_string(i) + ".wav");
            fx.conf->Env()->bMainVisible = i % 10 != 0;
            edits = i + 1;
        }
    });
    for (size_t step = 1; step <= 10; ++step) {
        const int64_t now = fx.clock.fake.NowUtc().seconds;
        auto due = std::make_unique<Class_TIKOSCHEDULE>();
        due->tWhen = now - now % 60 + 60;
        due->bAlarmOnTime = true;
        due->strMemo.Set("due " + std::to_string(step));
        fx.book->AddItem(std::move(due));
        fx.clock.fake.AdvanceSeconds(60 - now % 60);
        ASSERT_TRUE(harness::WaitUntil([&] { return fx.sound.Calls().size() >= step; })) << "step " << step;
    }
    EXPECT_TRUE(harness::WaitUntil([&] { return fx.clock.Reads() >= 100; }));
    stop = true;
    Bounded([&] { editor.join(); });
    EXPECT_GE(edits.load(), 400);
    facade.Stop();
    EXPECT_EQ(Bounded([&] { return facade.WaitUntilStopped(); }), 0);
}

}  // namespace
