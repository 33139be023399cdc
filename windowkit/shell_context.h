#pragma once
// What every window of LumClient is handed, and the frame's side that windows call.

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <utility>

class QPoint;
class QWidget;
class CRuntimeBridge;
class Class_TIKOCONF_TOP;
class Class_TIKOSCHEDULE_TOP;
class CTikoDlg_TimeSlim;
namespace platform {
class Clock;
}

// From another thread (the runtime bridge's delivery on the mediator's): `work(object)` runs later
// on the object's (GUI) thread, and not at all if the object is gone by then. `work` carries copies
// of what it needs, so the mediator never waits for the GUI thread and the message may be
// rewritten at once.
template <class T, class F>
void QueueToGui(T* object, F work) {
    QPointer<T> self(object);
    QMetaObject::invokeMethod(
        object,
        [self, work = std::move(work)]() mutable {
            if (self)
                work(self.data());
        },
        Qt::QueuedConnection);
}

// Menu commands of the tray and context menu (menu resource 106).
enum ShellCommand : int {
    kCmdExit = 32771,
    kCmdHelp = 32772,
    kCmdCompare = 32773,
    kCmdSync = 32774,
    kCmdSettings = 32775,
    kCmdWorldTime = 32776,
    kCmdCloseClock = 32777,
    kCmdHideAllClocks = 32778,
    kCmdSchedules = 32779,
    kCmdScheduleReport = 32780,
    kCmdShowMain = 32781,
};

// Borrowed for the whole run; the application owns all of it and outlives every window.
struct ShellContext {
    Class_TIKOCONF_TOP* conf = nullptr;
    Class_TIKOSCHEDULE_TOP* schedule = nullptr;
    CRuntimeBridge* bridge = nullptr;  // null: no runtime (some tests)
    platform::Clock* clock = nullptr;
};

// Implemented by CMainFrame. Only the GUI thread calls it.
class IMainFrame {
public:
    virtual ~IMainFrame() = default;
    // Runs a menu command as the tray menu would; `origin` is the window asking (the settings
    // sheet's parent when it is the main dialog), or null.
    virtual void RunCommand(int commandId, QWidget* origin = nullptr) = 0;
    // The context menu of a clock window: clears the other clocks' menu-target flags, sets
    // `target`'s, and shows the first pop-up menu at `screenPos`.
    virtual void ShowContextMenu(CTikoDlg_TimeSlim* target, const QPoint& screenPos) = 0;
    // Ends the program through the frame's close path (queued, so the caller returns first).
    virtual void PostClose() = 0;
    // The schedule dialog (command 32779) and the schedule report (32780); the settings sheet's
    // alarm page calls them for its two buttons.
    virtual void ShowScheduleDialog() = 0;
    virtual void WriteScheduleReport() = 0;
    // The environment page's 세계시 투명창: every world clock see-through or not.
    virtual void SetWorldClockTransparency(bool on) = 0;
    // The environment page's 시계창만 표시 (and its 초기값 with false): hides one of the main
    // dialog and the clock-only window and shows the other restored at the hidden one's top-left
    // corner, its size unchanged.
    virtual void ShowClockOnly(bool clockOnly) = 0;
    // The synchronisation information page's button: the address in the desktop's browser, else
    // in the one $BROWSER names; false when neither could be started.
    virtual bool OpenWebPage(const QString& address) = 0;
    // False on a desktop without a notification area: nothing but the windows themselves can
    // bring a hidden window back, so windows minimise instead of hiding.
    virtual bool HasNotificationArea() const = 0;
};
