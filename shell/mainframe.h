#pragma once
// The hidden frame of LumClient: owns the tray icon and the windows, carries out the menu
// commands, turns alarm signals into pop-ups and records window state when the program ends.

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "shell/systemtray.h"
#include "windowkit/shell_context.h"

class QAction;
class QMenu;
class QTimer;
class ILauncher;
class CTaskBarMsgWnd;
class CTikoDlg_Main;
class CTikoDlg_WorldTime;
class CTikoDlg_ScheAlarm;
class CTikoProSheet_Setup;
class IMessageAsker;
class IScreenSaverSwitch;
class CWorldClockList;
namespace world {
class WorldStore;
}

class CMainFrame : public QObject, public IMainFrame {
    Q_OBJECT

public:
    struct Options {
        ILauncher* launcher = nullptr;  // required
        // The windows wait until the bridge says every manager has subscribed, so the compare
        // that showing the main dialog asks for is never lost. False: made at once.
        bool waitForManagers = false;
        // Shows a failure text and waits until it is read (a message box, or only standard
        // error in tests).
        std::function<void(const QString&)> showMessage;
        // Says something once without waiting (the missing notification area).
        std::function<void(const QString&)> showNotice;
        // Test hook: 1 prints the message of every compare or synchronisation result on
        // standard output, 2 prints the first and closes.
        int printResults = 0;
        // The world table and the selected region; null: the program's, read from the
        // working directory.
        world::WorldStore* worldStore = nullptr;
        // Answers the schedule dialog's and the settings sheet's messages; null: message boxes.
        IMessageAsker* asker = nullptr;
        // The settings sheet's screen-saver box; null: the user's ~/.xscreensaver.
        IScreenSaverSwitch* screenSaver = nullptr;
        // Test hook: 1 or 0 stands for a desktop with or without a notification area; -1 asks
        // the desktop.
        int notificationArea = -1;
    };

    CMainFrame(const ShellContext& context, Options options);
    ~CMainFrame() override;

    // The tray icon and the alarms' pop-ups; the windows follow once the managers are ready. A missing
    // notification area is said once; the program goes on without the icon.
    void Create();
    bool WindowsCreated() const { return windowsCreated_; }
    bool IsClosed() const { return closed_; }

    void RunCommand(int commandId, QWidget* origin = nullptr) override;
    void ShowContextMenu(CTikoDlg_TimeSlim* target, const QPoint& screenPos) override;
    void PostClose() override;

    // The close path: window state recorded, every nested event loop ended (message boxes,
    // dialogs, menus), closed() emitted, then the windows destroyed.
    // While an ended loop is still on the stack the windows stay (hidden) until the next call,
    // made once the loops have returned (the application's exit, the destructor).
    void Close();
    // True once Close has destroyed the windows.
    bool WindowsDestroyed() const { return destroyed_; }
    // Without asking the display (it may be gone): records the world clocks as last seen; the
    // main window's place is kept as it moves. Nothing once the close path has recorded.
    void RecordWindowStateOffline();
    // Closes every menu and rejects every modal dialog or box, so that each exec returns once
    // control is back in its loop. Returns how many there were.
    static int EndNestedLoops();
    // Records window state and writes "TIKo.conf"; false (after saying so) when it failed.
    bool SaveConfiguration();
    // Writes "./일정레포트.txt" and opens it; nothing for an empty book or an unwritable file.
    void WriteScheduleReport() override;
    // Command 32779: the schedule dialog placed, shown and focused.
    void ShowScheduleDialog() override;
    // A new world clock for a region of the world table (the world time dialog's button).
    void OpenWorldClock(int regionIndex, const QString& name);
    // The environment page's see-through setting, for every world clock.
    void SetWorldClockTransparency(bool on) override;
    // 시계창만 표시: one of the main dialog and the clock-only window hidden, the other shown
    // restored at its top-left corner.
    void ShowClockOnly(bool clockOnly) override;
    bool OpenWebPage(const QString& address) override;
    bool HasNotificationArea() const override {
        return options_.notificationArea >= 0 ? options_.notificationArea == 1 : tray_.IsAdded();
    }
    CWorldClockList& WorldClocks() { return *worldClocks_; }
    CTikoDlg_WorldTime* WorldTimeDialog() const;
    // One pop-up for an alarm.
    void OnPopupMessage(const QString& text, const QString& detail);

    QMenu* ContextMenu() const { return contextMenu_.get(); }
    QAction* Action(int commandId) const;
    CSystemTray& Tray() { return tray_; }
    CTikoDlg_Main* MainDialog() const { return main_; }
    CTikoDlg_TimeSlim* ClockOnly() const { return timeSlim_; }
    CTikoDlg_ScheAlarm* ScheduleDialog() const { return schedule_; }
    const QList<QPointer<CTaskBarMsgWnd>>& Popups() const { return popups_; }
    bool AboutBoxOpen() const { return aboutOpen_; }
    // The settings sheet while it runs, else null.
    CTikoProSheet_Setup* SettingsSheet() const;

signals:
    // The close path has begun: the owner ends the event loop.
    void closed();
    void windowsCreated();

private:
    void BuildMenus();
    void CreateWindows();
    void RecordWindowState();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void DestroyWindows();
    void ShowMain();
    // Hides a shown window, or minimises it where there is no tray to bring it back.
    void PutAway(QWidget* window);
    void ShowHelp(QWidget* origin);
    void ShowSettings(QWidget* origin);
    void ShowWorldTime();
    // The test hook's line for a compare or synchronisation result.
    void PrintResult(const QString& text, bool readable);

    ShellContext context_;
    Options options_;
    CSystemTray tray_;
    CTikoDlg_Main* main_ = nullptr;
    CTikoDlg_TimeSlim* timeSlim_ = nullptr;
    CTikoDlg_ScheAlarm* schedule_ = nullptr;
    std::unique_ptr<QMenu> contextMenu_;
    std::unique_ptr<CWorldClockList> worldClocks_;
    QPointer<CTikoDlg_WorldTime> worldTime_;
    QPointer<CTikoProSheet_Setup> settings_;
    std::unique_ptr<IScreenSaverSwitch> ownScreenSaver_;
    QList<QPointer<CTaskBarMsgWnd>> popups_;
    QTimer* readyBound_ = nullptr;
    bool windowsCreated_ = false;
    bool closed_ = false;
    bool destroyed_ = false;
    int safeLoopLevel_ = 0;  // the windows may go at this event loop level or below
    bool aboutOpen_ = false;
};
