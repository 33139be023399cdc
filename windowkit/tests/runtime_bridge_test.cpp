// The runtime bridge over a running mediator: what is published arrives as signals on the GUI
// thread, seconds only while a window wants them, and each request becomes its message.

#include <gtest/gtest.h>

#include <QThread>
#include <mutex>

#include "runtime/mediator.h"
#include "timeservices/comm_mgr.h"
#include "timeservices/sche_mgr.h"
#include "treestore/conf_schema.h"
#include "windowkit/tests/fake_main_frame.h"

namespace {

using shell_test::WaitOnGui;

class RuntimeBridgeTest : public ::testing::Test, public CLumAOSM_Observer {
protected:
    RuntimeBridgeTest() {
        shell_test::App();
        mediator_.Start(nullptr);
        for (int32_t s = AO_SYNC_COMPARE_SIG; s <= AO_ALARM_OFF_SIG; ++s)
            if (s != AO_CLOCK_TICK_SIG)
                mediator_.Subscribe(this, s);
    }
    ~RuntimeBridgeTest() override {
        mediator_.UnsubscribeAll(this);
        mediator_.Stop();
        mediator_.WaitUntilStopped();
    }
    // Keeps what the bridge publishes.
    int Receive(const CLumAOSM_Message* message, const char*) override {
        std::lock_guard lock(mutex_);
        heard_.push_back(message->GetSignal());
        CommSendRequest request;
        if (message->GetParamValue(0, &request))
            sentBytes_ = request.count;
        return 0;
    }
    std::vector<int32_t> Heard() {
        std::lock_guard lock(mutex_);
        return heard_;
    }
    // Every signal the bridge emits, named, with the thread it came on.
    void Watch(CRuntimeBridge& bridge) {
        auto note = [this](QString what) {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            emitted_.append(what);
        };
        QObject::connect(&bridge, &CRuntimeBridge::second, [=](qint64 s) { note(QString::number(s)); });
        QObject::connect(&bridge, &CRuntimeBridge::compareResult, [=](const QString& m, bool ok) {
            note(QStringLiteral("40 ") + m + (ok ? "" : " unreadable"));
        });
        QObject::connect(&bridge, &CRuntimeBridge::syncResult,
                         [=](const QString& m, bool) { note(QStringLiteral("41 ") + m); });
        QObject::connect(&bridge, &CRuntimeBridge::alarm, [=](const QString& t, const QString& d) {
            note(QStringLiteral("51 ") + t + "|" + d);
        });
        QObject::connect(&bridge, &CRuntimeBridge::messageColoursChanged,
                         [=] { note(QStringLiteral("47")); });
        QObject::connect(&bridge, &CRuntimeBridge::clockScaleChanged, [=] { note(QStringLiteral("48")); });
        QObject::connect(&bridge, &CRuntimeBridge::serialSent, [=] { note(QStringLiteral("45")); });
        QObject::connect(&bridge, &CRuntimeBridge::managersReady, [=] { note(QStringLiteral("ready")); });
    }
    void Publish(int32_t signal, const char* text = nullptr) {
        CLumAOSM_Message message(signal);
        if (signal == AO_ALARM_NOTIFY_SIG) {
            PutAlarmTexts(message, text);
        } else if (text != nullptr || signal == AO_CLOCK_TICK_SIG) {
            TimeNotice notice;
            notice.tTime = 1000 + static_cast<int64_t>(emitted_.size());
            notice.strMessage = text != nullptr ? text : "";
            PutTimeNotice(message, 0, notice);
        }
        mediator_.Publish(message);
    }

    CLumAOSM_Mediator mediator_;
    std::unique_ptr<Class_TIKOCONF_TOP> conf_ = CTIKOConfList_Mgr().BuildDefaultTree();
    std::mutex mutex_;
    std::vector<int32_t> heard_;
    int32_t sentBytes_ = 0;
    QStringList emitted_;
};

TEST_F(RuntimeBridgeTest, PublicationsArriveAsSignalsOnTheGuiThread) {
    CRuntimeBridge bridge(&mediator_, conf_.get());
    Watch(bridge);
    Publish(AO_COMPARE_RESULT_SIG, "late");
    Publish(AO_COMPARE_RESULT_SIG);  // no record
    Publish(AO_SYNC_RESULT_SIG, "set");
    Publish(AO_ALARM_NOTIFY_SIG, "10:00");
    Publish(AO_MSGCOLOR_CHANGED_SIG);
    Publish(AO_SLIMSIZE_CHANGED_SIG);
    Publish(AO_COMM_SENT_SIG);
    ASSERT_TRUE(WaitOnGui([&] { return emitted_.size() == 7; }));
    bridge.SetManagersReady();
    bridge.SetManagersReady();  // said once
    const QStringList expected = {QStringLiteral("40 late"), QStringLiteral("40  unreadable"),
                                  QStringLiteral("41 set"),  QStringLiteral("51 10:00|10:00"),
                                  QStringLiteral("47"),      QStringLiteral("48"),
                                  QStringLiteral("45"),      QStringLiteral("ready")};
    EXPECT_TRUE(WaitOnGui([&] { return emitted_.size() >= expected.size(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(emitted_, expected);
    EXPECT_TRUE(bridge.ManagersReady());
}

TEST_F(RuntimeBridgeTest, SecondsReachTheGuiThreadOnlyWhileAWindowWantsThem) {
    CRuntimeBridge bridge(&mediator_, conf_.get());
    Watch(bridge);
    QObject window;
    Publish(AO_CLOCK_TICK_SIG);  // second 1000, kept but not emitted
    ASSERT_TRUE(WaitUntil([&] { return bridge.LatestSecond() == 1000; }));
    bridge.WantSeconds(&window, true);
    Publish(AO_CLOCK_TICK_SIG);
    ASSERT_TRUE(WaitOnGui([&] { return emitted_.size() == 1; }));
    bridge.WantSeconds(&window, false);
    Publish(AO_CLOCK_TICK_SIG);  // second 1001 again: nothing emitted since
    ASSERT_TRUE(WaitUntil([&] { return bridge.LatestSecond() == 1001 && emitted_.size() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(emitted_, QStringList{QStringLiteral("1000")});
}

TEST_F(RuntimeBridgeTest, RequestsBecomeMessagesWithTheirSettings) {
    CRuntimeBridge bridge(&mediator_, conf_.get());
    using Colour = CRuntimeBridge::Colour;
    bridge.RequestCompare();
    bridge.RequestSync();
    bridge.SetAutoSync(true);
    bridge.SetColours({{Colour::kClockBack, 0x010203}});  // the message line is not told
    bridge.SetColours({{Colour::kClockText, 1}, {Colour::kMessageBack, 2}, {Colour::kMessageText, 3}});
    bridge.SetClockScale(0.5f);
    bridge.SetAlarms(true);
    bridge.PauseAlarms();
    bridge.ResumeAlarms();
    bridge.SetAutoSend(true);
    CommSendRequest request;
    request.count = 10;
    bridge.SendSerial(request);
    const std::vector<int32_t> expected = {
        AO_SYNC_COMPARE_SIG,     AO_SYNC_SET_SIG, AO_AUTOSYNC_ON_SIG, AO_MSGCOLOR_CHANGED_SIG,
        AO_SLIMSIZE_CHANGED_SIG, AO_ALARM_ON_SIG, AO_ALARM_OFF_SIG,   AO_ALARM_ON_SIG,
        AO_COMM_AUTO_ON_SIG,     AO_COMM_SEND_SIG};
    ASSERT_TRUE(WaitUntil([&] { return Heard().size() >= expected.size(); }));
    EXPECT_EQ(Heard(), expected);
    EXPECT_EQ(sentBytes_, 10);
    const Class_TIKOCONF_ENV& env = *conf_->Env();
    EXPECT_EQ(env.crClockBack.load(), 0x010203);
    EXPECT_EQ((std::vector<int32_t>{env.crClockText.load(), env.crMsgBack.load(), env.crMsgText.load()}),
              (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(conf_->SyncInfo()->bAutoSync.load(), 1);
    EXPECT_FLOAT_EQ(conf_->WorldClocks()->fScale.load(), 0.5f);
    EXPECT_EQ(conf_->Alarm()->bAlarm.load(), 1);
    EXPECT_EQ(conf_->Comm()->bAutoMode.load(), 1);
}

}  // namespace
