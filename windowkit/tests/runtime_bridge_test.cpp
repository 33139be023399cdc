// The runtime bridge over a running mediator: what the managers publish arrives as signals on the
// GUI thread. (The requests and the seconds' gating are driven through the windows' own tests.)

#include <gtest/gtest.h>

#include <QThread>

#include "runtime/mediator.h"
#include "timeservices/sche_mgr.h"
#include "windowkit/tests/fake_main_frame.h"

namespace {

TEST(RuntimeBridgeTest, PublicationsArriveAsSignalsOnTheGuiThread) {
    shell_test::App();
    CLumAOSM_Mediator mediator;
    mediator.Start(nullptr);
    QStringList emitted;
    {
        CRuntimeBridge bridge(&mediator, nullptr);
        auto note = [&](const QString& what) {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            emitted.append(what);
        };
        QObject::connect(&bridge, &CRuntimeBridge::second, [&](qint64 s) { note(QString::number(s)); });
        QObject::connect(&bridge, &CRuntimeBridge::compareResult,
                         [&](const QString& m, bool ok) { note("40 " + m + (ok ? " true" : " false")); });
        QObject::connect(&bridge, &CRuntimeBridge::syncResult, [&](const QString& m) { note("41 " + m); });
        QObject::connect(&bridge, &CRuntimeBridge::alarm,
                         [&](const QString& t, const QString& d) { note("51 " + t + "|" + d); });
        QObject::connect(&bridge, &CRuntimeBridge::messageColoursChanged, [&] { note("47"); });
        QObject::connect(&bridge, &CRuntimeBridge::clockScaleChanged, [&] { note("48"); });
        QObject::connect(&bridge, &CRuntimeBridge::serialSent, [&] { note("45"); });
        QObject::connect(&bridge, &CRuntimeBridge::managersReady, [&] { note("ready"); });

        QObject window;
        bridge.WantSeconds(&window, true);
        auto publish = [&](int32_t signal, const char* text) {
            CLumAOSM_Message message(signal);
            TimeNotice notice;
            notice.tTime = 1000;
            notice.strMessage = text;
            if (signal == AO_ALARM_NOTIFY_SIG)
                PutAlarmTexts(message, text);
            else if (*text != '\0')
                PutTimeNotice(message, 0, notice);
            mediator.Publish(message);
        };
        for (auto [signal, text] : {std::pair{AO_CLOCK_TICK_SIG, "-"},
                                    {AO_COMPARE_RESULT_SIG, "late"},
                                    {AO_COMPARE_RESULT_SIG, ""},
                                    {AO_SYNC_RESULT_SIG, "set"},
                                    {AO_ALARM_NOTIFY_SIG, "10:00"},
                                    {AO_MSGCOLOR_CHANGED_SIG, ""},
                                    {AO_SLIMSIZE_CHANGED_SIG, ""},
                                    {AO_COMM_SENT_SIG, ""}})
            publish(signal, text);
        ASSERT_TRUE(shell_test::WaitOnGui([&] { return emitted.size() == 8; }));
        bridge.SetManagersReady();
        bridge.SetManagersReady();  // said once
        EXPECT_TRUE(bridge.ManagersReady());
        ASSERT_TRUE(shell_test::WaitOnGui([&] { return emitted.size() == 9; }));
    }  // unsubscribed here, while the mediator still runs
    mediator.Stop();
    mediator.WaitUntilStopped();
    QCoreApplication::processEvents();
    EXPECT_EQ(emitted, QStringList({"1000", "40 late true", "40  false", "41 set", "51 10:00|10:00", "47",
                                    "48", "45", "ready"}));
}

}  // namespace
