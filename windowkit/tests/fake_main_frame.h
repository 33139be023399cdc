#pragma once
// What the shell's window tests stand on: one QApplication with the shipped font aliases, a
// runtime bridge that records what is sent, a frame that records, and a fixture that joins them
// to the default trees and a fake clock.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/font_alias.h"
#include "runtime/message.h"
#include "runtime/signals.h"
#include "tests/support/fake_clock.h"
#include "tests/support/test_wait.h"
#include "timeservices/time_notice_message.h"
#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"
#include "windowkit/runtime_bridge.h"
#include "windowkit/shell_context.h"

namespace shell_test {

// Made once; a window test calls it before making any widget.
inline QApplication& App() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "shell_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        platform::LoadFontAliases(SHELL_FONT_ALIASES);
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Waits for cond while the GUI thread handles its queued calls.
inline bool WaitOnGui(const std::function<bool()>& cond) {
    return WaitUntil([&] {
        QCoreApplication::processEvents();
        return cond();
    });
}

// A bridge that keeps the signal numbers the windows send. Without a mediator tests emit its
// signals to stand for what the runtime would deliver; with one it is the real bridge as well.
class RecordingBridge final : public CRuntimeBridge {
public:
    explicit RecordingBridge(Class_TIKOCONF_TOP* conf = nullptr, CLumAOSM_Mediator* mediator = nullptr)
        : CRuntimeBridge(mediator, conf) {}
    // What was sent since the last call.
    std::vector<int32_t> Sent() { return std::exchange(sent_, {}); }
    // A tick as the clock source publishes it, through the bridge's own delivery.
    void Tick(int64_t koreanSecond) {
        TimeNotice notice;
        notice.tTime = koreanSecond;
        CLumAOSM_Message message(AO_CLOCK_TICK_SIG);
        PutTimeNotice(message, 0, notice);
        Deliver(message);
    }

protected:
    void Send(const CLumAOSM_Message& message) override {
        sent_.push_back(message.GetSignal());
        CRuntimeBridge::Send(message);
    }

private:
    std::vector<int32_t> sent_;
};

// Records what the windows ask of the frame.
class FakeMainFrame final : public IMainFrame {
public:
    struct MenuRequest {
        CTikoDlg_TimeSlim* target;
        QPoint at;
    };

    void RunCommand(int commandId, QWidget* origin) override { commands.push_back({commandId, origin}); }
    void ShowContextMenu(CTikoDlg_TimeSlim* target, const QPoint& screenPos) override {
        menus.push_back({target, screenPos});
    }
    void PostClose() override { ++closes; }
    // Recorded as the commands they stand for, as the frame runs them.
    void ShowScheduleDialog() override { RunCommand(kCmdSchedules, nullptr); }
    void WriteScheduleReport() override { RunCommand(kCmdScheduleReport, nullptr); }
    void SetWorldClockTransparency(bool on) override { transparency.push_back(on); }
    void ShowClockOnly(bool clockOnly) override { clockOnlySwaps.push_back(clockOnly); }
    bool HasNotificationArea() const override { return notificationArea; }
    bool OpenWebPage(const QString& address) override {
        webPages.append(address);
        return webPageOpens;
    }

    std::vector<std::pair<int, QWidget*>> commands;
    std::vector<MenuRequest> menus;
    int closes = 0;
    std::vector<bool> transparency;
    std::vector<bool> clockOnlySwaps;
    QStringList webPages;
    bool webPageOpens = true;
    bool notificationArea = true;
};

// A window test's world: the default settings and schedule book, a fake clock, the recording
// bridge writing into those settings, the context that joins them, and a recording frame.
class WindowTest : public ::testing::Test {
public:
    explicit WindowTest(calendar::WallTime now, int64_t localOffsetSeconds = 0)
        : clock_(now, localOffsetSeconds) {
        App();
    }

    std::unique_ptr<Class_TIKOCONF_TOP> conf_ = CTIKOConfList_Mgr().BuildDefaultTree();
    std::unique_ptr<Class_TIKOSCHEDULE_TOP> book_ = CTIKOScheduleList_Mgr().BuildDefaultTree();
    platform::FakeClock clock_;
    RecordingBridge bridge_{conf_.get()};
    ShellContext context_{conf_.get(), book_.get(), &bridge_, &clock_};
    FakeMainFrame frame_;
};

}  // namespace shell_test
