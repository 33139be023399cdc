#include "shell/lumclientapp.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>
#include <utility>

#include "runtime/mediator.h"
#include "runtime/signals.h"
#include "shell/display_link.h"
#include "shell/mainframe.h"
#include "shell/tikodlg_main.h"
#include "timeservices/facade.h"
#include "treestore/app_store.h"
#include "windowkit/access_keys.h"
#include "windowkit/runtime_bridge.h"

namespace {

int g_signalPipe[2] = {-1, -1};
// The application between loading its stores and writing them, for an end that bypasses the
// close path (Qt calls exit when the X server goes away).
// Both touched on the GUI thread only; Qt's messages come from any thread and ask the id first.
CLumClientApp* g_running = nullptr;
std::atomic<std::thread::id> g_guiThread;
QtMessageHandler g_previousHandler = nullptr;

// Benchmark hook: prints CLOCK_MONOTONIC (ns) once the main dialog has painted for the first time.
class FirstPaintProbe : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After this paint has run: the queued call comes once the event is handled.
            QMetaObject::invokeMethod(
                this,
                [] {
                    timespec now{};
                    clock_gettime(CLOCK_MONOTONIC, &now);
                    std::printf("first-paint %lld\n",
                                static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
                    std::fflush(stdout);
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnTerminationSignal(int) {
    // Only async-signal-safe work here: the event loop reads the byte and closes the frame. The
    // close path runs once; should it hang, a second signal ends the program at once.
    const int saved = errno;
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (const int signal : kTerminationSignals)
        sigaction(signal, &fallback, nullptr);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

CLumClientApp::CLumClientApp(Options options) : options_(std::move(options)) {}

CLumClientApp::~CLumClientApp() {
    if (frame_ || facade_ || conf_)
        ExitInstance();
    if (g_running == this)
        g_running = nullptr;
}

bool CLumClientApp::InstallSignalHandlers() {
    if (g_signalPipe[0] >= 0)
        return true;
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kTerminationSignals)
        sigaction(signal, &action, nullptr);
    return true;
}

void CLumClientApp::ManagerEntered(const char* manager) {
    std::lock_guard lock(readyMutex_);
    entered_.insert(manager);
    if (bridge_ && entered_.size() >= static_cast<size_t>(CTiko_Facade::kManagerCount))
        bridge_->SetManagersReady();
}

void CLumClientApp::ShowMessage(const QString& text) const {
    std::fprintf(stderr, "LumClient: %s\n", text.trimmed().toUtf8().constData());
    if (!options_.messageBoxes)
        return;
    // The button named here, not added at show, so its access key can be given before.
    QMessageBox box(QMessageBox::Information, QStringLiteral("TIKo3"), text, QMessageBox::Ok);
    SetAccessKeys(box);
    box.exec();
}

bool CLumClientApp::InitInstance() {
    const std::filesystem::path dir = std::filesystem::current_path();
    // A store that was not read whole is said once, after the windows exist.
    StoreLoadReport confReport, bookReport;
    conf_ = LoadConfiguration(dir, &confReport);
    schedule_ = LoadScheduleBook(dir, &bookReport);
    // From now on the stores are written however the process ends, short of a kill.
    static const bool hooked = [] {
        g_previousHandler = qInstallMessageHandler(&CLumClientApp::OnQtMessage);
        return std::atexit(&CLumClientApp::OnProcessExit) == 0;
    }();
    (void)hooked;
    g_running = this;
    g_guiThread.store(std::this_thread::get_id());

    CTiko_Services services = options_.services;
    if (services.clock == nullptr)
        services.clock = &systemClock_;
    services.conf = conf_.get();
    services.schedule = schedule_.get();
    // Each manager enters its first state right after its subscriptions are queued; the frame
    // waits for all four before it shows a window that asks them for something.
    StateProbe outer = services.probe;
    services.probe = [this, outer](const char* manager, int32_t signal) {
        if (signal == AO_ENTRY_SIG)
            ManagerEntered(manager);
        if (outer)
            outer(manager, signal);
    };
    facade_ = std::make_unique<CTiko_Facade>(services);
    // The windows' one subscriber, there before any manager can publish.
    bridge_ = std::make_unique<CRuntimeBridge>(CLumAOSM_Mediator::Process(), conf_.get());
    if (!facade_->CLumAOSM_Config::IsRunning() || !facade_->Launch()) {
        ShowMessage(QStringLiteral("실행 환경을 시작하지 못했습니다."));
        return false;
    }

    CMainFrame::Options frameOptions;
    frameOptions.launcher = options_.launcher != nullptr ? options_.launcher : &desktopLauncher_;
    frameOptions.waitForManagers = true;
    frameOptions.showMessage = [this](const QString& text) { ShowMessage(text); };
    frameOptions.showNotice = [this](const QString& text) {
        std::fprintf(stderr, "LumClient: %s\n", text.toUtf8().constData());
        if (!options_.messageBoxes)
            return;
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("TIKo3"), text, QMessageBox::Ok);
        box->setAttribute(Qt::WA_DeleteOnClose);
        SetAccessKeys(*box);
        box->show();
    };
    frameOptions.printResults = options_.printResults;
    const ShellContext context{conf_.get(), schedule_.get(), bridge_.get(), services.clock};
    frame_ = std::make_unique<CMainFrame>(context, frameOptions);
    // Every loop ends, the nested ones (a box, a menu) with the main one: the windows are
    // destroyed after them, in ExitInstance.
    connect(frame_.get(), &CMainFrame::closed, this, [] {
        if (QThread::currentThread()->loopLevel() > 0)
            QCoreApplication::exit(0);
    });

    if (g_signalPipe[0] >= 0) {
        signalNotifier_ = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
        connect(signalNotifier_, &QSocketNotifier::activated, this, &CLumClientApp::OnSignalPipe);
    }
    // The session is ending: the same close path, so both stores are saved.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
        unattended_ = true;
        if (frame_)
            frame_->Close();
    });
    if (options_.reportFirstPaint) {
        auto* probe = new FirstPaintProbe(this);
        connect(frame_.get(), &CMainFrame::windowsCreated, this, [this, probe] {
            if (QWidget* main = frame_->MainDialog())
                main->installEventFilter(probe);
        });
    }
    frame_->Create();
    for (const StoreLoadReport* report : {&confReport, &bookReport})
        if (!report->message.empty())
            frameOptions.showNotice(QString::fromStdString(report->message));
    return true;
}

void CLumClientApp::OnSignalPipe() {
    char buffer[16];
    while (read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    unattended_ = true;
    if (frame_ && !frame_->IsClosed())
        frame_->Close();
    else
        CMainFrame::EndNestedLoops();  // a box of the exit itself: nobody is there to read it
}

int CLumClientApp::Run() {
    if (frame_ && frame_->IsClosed())
        return 0;
    return QApplication::exec();
}

int CLumClientApp::ExitInstance() {
    // Whatever ended the loop, the windows go first, once no loop runs above them.
    if (frame_)
        frame_->Close();
    frame_.reset();
    {
        // A manager entering its first state only now must not find it half gone.
        std::lock_guard lock(readyMutex_);
        bridge_.reset();
    }
    const int status = StopAndSave();
    delete signalNotifier_;
    signalNotifier_ = nullptr;
    return status;
}

int CLumClientApp::StopAndSave() {
    if (facade_) {
        facade_->Stop();
        facade_->WaitUntilStopped();
        facade_.reset();
    }
    const std::filesystem::path dir = std::filesystem::current_path();
    std::string reason;
    if (conf_ && !SaveConfiguration(*conf_, dir, &reason))
        ReportSaveFailure(kConfSaveFailedText, reason);
    conf_.reset();
    if (schedule_ && !SaveScheduleBook(*schedule_, dir, &reason))
        ReportSaveFailure(kScheduleSaveFailedText, reason);
    schedule_.reset();
    if (g_running == this)
        g_running = nullptr;
    return saveFailed_ ? kExitSaveFailed : 0;
}

void CLumClientApp::ReportSaveFailure(const char* text, const std::string& reason) {
    saveFailed_ = true;
    if (unattended_)
        std::fprintf(stderr, "LumClient: %s%s%s\n", QString::fromUtf8(text).trimmed().toUtf8().constData(),
                     reason.empty() ? "" : " (", reason.empty() ? "" : (reason + ")").c_str());
    else
        ShowMessage(QString::fromUtf8(text));
}

void CLumClientApp::SaveBeforeProcessEnds(bool displayLost) {
    unattended_ = true;
    if (frame_)
        frame_->RecordWindowStateOffline();
    const int status = StopAndSave();
    if (!displayLost)
        return;  // exit goes on with the status it was given
    std::fprintf(stderr, "LumClient: the display has gone; %s\n",
                 status == 0 ? "settings and schedules saved" : "not everything could be saved");
    std::fflush(nullptr);
    // Nothing of the display can be taken down cleanly any more, and no window is left to
    // save: the process ends here with what the saves earned.
    _exit(status);
}

void CLumClientApp::OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (g_previousHandler != nullptr)
        g_previousHandler(type, context, text);
    // Qt says that the X connection broke, then calls exit: the stores are written first.
    if (type != QtDebugMsg && type != QtInfoMsg && std::this_thread::get_id() == g_guiThread.load() &&
        g_running != nullptr && DisplayConnectionBroken())
        std::exchange(g_running, nullptr)->SaveBeforeProcessEnds(true);
}

void CLumClientApp::OnProcessExit() {
    // exit() called past the close path on the GUI thread: the stores are still written.
    if (std::this_thread::get_id() == g_guiThread.load() && g_running != nullptr)
        std::exchange(g_running, nullptr)->SaveBeforeProcessEnds(DisplayConnectionBroken());
}
