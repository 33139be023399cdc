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
    // Stops the back end, then writes both stores; a failed save is shown.
    void ExitInstance();

    // Makes SIGTERM, SIGINT and SIGHUP take the frame's close path. Call once, early.
    static bool InstallSignalHandlers();

    CMainFrame* Frame() const { return frame_.get(); }
    Class_TIKOCONF_TOP* Conf() const { return conf_.get(); }
    bool ManagersReady() const;
    // Shows a text in a message box (unless turned off) and on standard error.
    void ShowMessage(const QString& text) const;

private:
    void OnSignalPipe();

    Options options_;
    platform::SystemClock systemClock_;
    DesktopLauncher desktopLauncher_;
    std::unique_ptr<Class_TIKOCONF_TOP> conf_;
    std::unique_ptr<Class_TIKOSCHEDULE_TOP> schedule_;
    std::unique_ptr<CTiko_Facade> facade_;
    std::unique_ptr<CMainFrame> frame_;
    QSocketNotifier* signalNotifier_ = nullptr;
    mutable std::mutex readyMutex_;
    std::set<std::string> entered_;  // managers whose first state has been entered
};
