#include "shell/lumclientapp.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "runtime/mediator.h"
#include "runtime/signals.h"
#include "shell/mainframe.h"
#include "shell/tikodlg_main.h"
#include "timeservices/facade.h"
#include "treestore/app_store.h"

namespace {

int g_signalPipe[2] = {-1, -1};

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

void OnTerminationSignal(int) {
    // Only async-signal-safe work here: the event loop reads the byte and closes the frame.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

CLumClientApp::CLumClientApp(Options options) : options_(std::move(options)) {}

CLumClientApp::~CLumClientApp() {
    if (frame_ || facade_ || conf_)
        ExitInstance();
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
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    return true;
}

bool CLumClientApp::ManagersReady() const {
    std::lock_guard lock(readyMutex_);
    return entered_.size() >= static_cast<size_t>(CTiko_Facade::kManagerCount);
}

void CLumClientApp::ShowMessage(const QString& text) const {
    std::fprintf(stderr, "LumClient: %s\n", text.trimmed().toUtf8().constData());
    if (options_.messageBoxes)
        QMessageBox::information(nullptr, QStringLiteral("TIKo3"), text);
}

bool CLumClientApp::InitInstance() {
    const std::filesystem::path dir = std::filesystem::current_path();
    // A store that was not read whole is said once, after the windows exist.
    StoreLoadReport confReport, bookReport;
    conf_ = LoadConfiguration(dir, &confReport);
    schedule_ = LoadScheduleBook(dir, &bookReport);

    CTiko_Services services = options_.services;
    if (services.clock == nullptr)
        services.clock = &systemClock_;
    services.conf = conf_.get();
    services.schedule = schedule_.get();
    // Each manager enters its first state right after its subscriptions are queued; the frame
    // waits for all four before it shows a window that asks them for something.
    StateProbe outer = services.probe;
    services.probe = [this, outer](const char* manager, int32_t signal) {
        if (signal == AO_ENTRY_SIG) {
            std::lock_guard lock(readyMutex_);
            entered_.insert(manager);
        }
        if (outer)
            outer(manager, signal);
    };
    facade_ = std::make_unique<CTiko_Facade>(services);
    if (!facade_->CLumAOSM_Config::IsRunning() || !facade_->Launch()) {
        ShowMessage(QStringLiteral("실행 환경을 시작하지 못했습니다."));
        return false;
    }

    CMainFrame::Options frameOptions;
    frameOptions.launcher = options_.launcher != nullptr ? options_.launcher : &desktopLauncher_;
    frameOptions.managersReady = [this] { return ManagersReady(); };
    frameOptions.showMessage = [this](const QString& text) { ShowMessage(text); };
    frameOptions.showNotice = [this](const QString& text) {
        std::fprintf(stderr, "LumClient: %s\n", text.toUtf8().constData());
        if (!options_.messageBoxes)
            return;
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("TIKo3"), text);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    };
    frameOptions.printResults = options_.printResults;
    const ShellContext context{conf_.get(), schedule_.get(), CLumAOSM_Mediator::Process(), services.clock};
    frame_ = std::make_unique<CMainFrame>(context, frameOptions);
    connect(frame_.get(), &CMainFrame::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    if (g_signalPipe[0] >= 0) {
        signalNotifier_ = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
        connect(signalNotifier_, &QSocketNotifier::activated, this, &CLumClientApp::OnSignalPipe);
    }
    // The session is ending: the same close path, so both stores are saved.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
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
    if (frame_)
        frame_->PostClose();
}

int CLumClientApp::Run() {
    if (frame_ && frame_->IsClosed())
        return 0;
    return QApplication::exec();
}

void CLumClientApp::ExitInstance() {
    // Whatever ended the loop, the windows go first.
    if (frame_)
        frame_->Close();
    frame_.reset();
    delete signalNotifier_;
    signalNotifier_ = nullptr;
    if (facade_) {
        facade_->Stop();
        facade_->WaitUntilStopped();
        facade_.reset();
    }
    const std::filesystem::path dir = std::filesystem::current_path();
    if (conf_ && !SaveConfiguration(*conf_, dir))
        ShowMessage(QString::fromUtf8(kConfSaveFailedText));
    conf_.reset();
    if (schedule_ && !SaveScheduleBook(*schedule_, dir))
        ShowMessage(QString::fromUtf8(kScheduleSaveFailedText));
    schedule_.reset();
}
