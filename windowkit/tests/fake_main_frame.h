#pragma once
// What the shell's window tests stand on: one QApplication with the shipped font aliases, a
// running mediator, an observer that keeps the signals it receives, and a frame that records.

#include <QApplication>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <mutex>
#include <vector>

#include "platform/font_alias.h"
#include "runtime/mediator.h"
#include "tests/support/test_wait.h"
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

// A started mediator for one test, stopped at the end.
class RunningMediator {
public:
    RunningMediator() { mediator_.Start(nullptr); }
    ~RunningMediator() {
        mediator_.Stop();
        mediator_.WaitUntilStopped();
    }
    CLumAOSM_Mediator* get() { return &mediator_; }

private:
    CLumAOSM_Mediator mediator_;
};

// Keeps the signal numbers published to it.
class SignalLog final : public CLumAOSM_Observer {
public:
    SignalLog(CLumAOSM_Mediator* mediator, std::initializer_list<int32_t> numbers) : mediator_(mediator) {
        for (int32_t s : numbers)
            mediator_->Subscribe(this, s);
    }
    ~SignalLog() override { mediator_->UnsubscribeAll(this); }
    int Receive(const CLumAOSM_Message* message, const char*) override {
        std::lock_guard lock(mutex_);
        signals_.push_back(message->GetSignal());
        return 0;
    }
    std::vector<int32_t> Signals() const {
        std::lock_guard lock(mutex_);
        return signals_;
    }

private:
    CLumAOSM_Mediator* mediator_;
    mutable std::mutex mutex_;
    std::vector<int32_t> signals_;
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

}  // namespace shell_test
