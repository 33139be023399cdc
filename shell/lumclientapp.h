#pragma once
// The desktop program's application object: the two stores, the back end and the hidden frame,
// brought up in that order and taken down in the reverse one.

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/clock.h"
#include "shell/launcher.h"
#include "timeservices/manager_services.h"

class QSocketNotifier;
class CMainFrame;
class CTiko_Facade;
class CRuntimeBridge;
class Class_TIKOCONF_TOP;
class Class_TIKOSCHEDULE_TOP;

class CLumClientApp : public QObject {
    Q_OBJECT

public:
    struct Options {
        bool messageBoxes = true;       // false: failure texts go to standard error only
        int printResults = 0;           // test hook: 1 prints each result's message, 2 the first and quits
        bool reportFirstPaint = false;  // benchmark hook: prints when the main dialog first painted
        CTiko_Services services;        // empty members get the production choices
        ILauncher* launcher = nullptr;  // null: the desktop's "open"
    };

    explicit CLumClientApp(Options options);
    ~CLumClientApp() override;

    // Loads both stores from the working directory, starts the back end, creates the frame.
    // The QApplication exists already.
    bool InitInstance();
    // Runs the event loop until the frame has closed.
    int Run();
    // Closes the frame, stops the back end, then writes both stores. A failed save is said on
    // standard error, and in a box only when a person ended the program (종료, the close box);
    // returns kExitSaveFailed then, else 0.
    int ExitInstance();

    // Makes SIGTERM, SIGINT and SIGHUP take the frame's close path; the first one puts all three
    // back to their default, so a second ends the program at once. Call once, early.
    static bool InstallSignalHandlers();

    // The end of a run that no person is watching: a signal, the session's end, a lost display.
    // No box waits for anybody after it.
    bool Unattended() const { return unattended_; }

    CMainFrame* Frame() const { return frame_.get(); }
    Class_TIKOCONF_TOP* Conf() const { return conf_.get(); }
    // Shows a text in a message box (unless turned off) and on standard error.
    void ShowMessage(const QString& text) const;

    // Exit status of a run whose stores could not both be written.
    static constexpr int kExitSaveFailed = 3;

private:
    void OnSignalPipe();
    // A manager entered its first state (its own thread); the bridge hears when all have.
    void ManagerEntered(const char* manager);
    // Stops the back end and writes both stores; the exit status.
    int StopAndSave();
    void ReportSaveFailure(const char* text, const std::string& reason);
    // The process is ending without the close path (the X server went away and Qt calls
    // exit): the window state it can still read, the back end stopped, both stores written.
    // With the display gone it ends the process itself, with the status the saves earned.
    void SaveBeforeProcessEnds(bool displayLost);
    static void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text);
    static void OnProcessExit();

    Options options_;
    platform::SystemClock systemClock_;
    DesktopLauncher desktopLauncher_;
    std::unique_ptr<Class_TIKOCONF_TOP> conf_;
    std::unique_ptr<Class_TIKOSCHEDULE_TOP> schedule_;
    std::unique_ptr<CTiko_Facade> facade_;
    std::unique_ptr<CRuntimeBridge> bridge_;
    std::unique_ptr<CMainFrame> frame_;
    QSocketNotifier* signalNotifier_ = nullptr;
    bool unattended_ = false;
    bool saveFailed_ = false;
    std::mutex readyMutex_;          // also guards bridge_ against a late first state
    std::set<std::string> entered_;  // managers whose first state has been entered
};
