// The frame's start-up: the tray, the bridge's signals and, once the managers listen, the windows.
#include "shell/mainframe.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "dialogs/message_asker.h"
#include "dialogs/tikodlg_schealarm.h"
#include "dialogs/tikoprosheet_setup.h"
#include "dialogs/xscreensaver_switch.h"
#include "shell/launcher.h"
#include "shell/taskbarmsgwnd.h"
#include "shell/tikodlg_main.h"
#include "shell/tikodlg_timeslim.h"
#include "shell/tikodlg_worldtime.h"
#include "shell/world_clock_list.h"
#include "treestore/app_store.h"
#include "windowkit/runtime_bridge.h"
#include "world/world_store.h"

namespace {

// How long the windows wait for a manager that may never come.
constexpr int kReadyBoundMs = 10000;

// The pop-up of an alarm: picture size, display and step times, text rectangle, background.
constexpr int kPopupWidth = 170;
constexpr int kPopupHeight = 120;
constexpr int kPopupDisplayMs = 15000;
constexpr int kPopupStepMs = 1;
const QRect kPopupTextRect(QPoint(24, 24), QPoint(145, 95));  // (24, 24, 146, 96), right and bottom exclusive

}  // namespace

CMainFrame::CMainFrame(const ShellContext& context, Options options)
    : context_(context), options_(std::move(options)) {
    setObjectName(QStringLiteral("TIKo3"));
    BuildMenus();
    worldClocks_ = std::make_unique<CWorldClockList>(
        context_, *this, options_.worldStore != nullptr ? *options_.worldStore : world::ProcessWorld());
}

CMainFrame::~CMainFrame() {
    Close();
    DestroyWindows();
}

void CMainFrame::Create() {
    // No sheet is open yet; a run that ended while one was (killed, the machine off) saved the
    // flag set, and it would refuse the settings and the menu's exit for good.
    if (context_.conf != nullptr && context_.conf->MainDlg() != nullptr)
        context_.conf->MainDlg()->bSetupOpen.store(0);
    if (!tray_.Create(contextMenu_.get(), QStringLiteral("TIKo3"), QApplication::windowIcon(),
                      [this] { RunCommand(kCmdShowMain); })) {
        if (options_.showNotice)
            options_.showNotice(
                QStringLiteral("알림 영역이 없어 트레이 아이콘 없이 실행합니다. "
                               "(The desktop has no notification area.)"));
    }
    CRuntimeBridge* bridge = context_.bridge;
    if (bridge != nullptr) {
        connect(bridge, &CRuntimeBridge::alarm, this, &CMainFrame::OnPopupMessage);
        if (options_.printResults != 0) {
            connect(bridge, &CRuntimeBridge::compareResult, this, &CMainFrame::PrintResult);
            connect(bridge, &CRuntimeBridge::syncResult, this, &CMainFrame::PrintResult);
        }
    }
    if (!options_.waitForManagers || bridge == nullptr || bridge->ManagersReady()) {
        CreateWindows();
        return;
    }
    // A signal published before its manager subscribed is lost, so the windows (whose showing
    // asks for a compare) wait until every manager is listening, or give up waiting after a
    // bound, when a manager could not be made.
    connect(bridge, &CRuntimeBridge::managersReady, this, &CMainFrame::CreateWindows);
    readyBound_ = new QTimer(this);
    readyBound_->setSingleShot(true);
    connect(readyBound_, &QTimer::timeout, this, &CMainFrame::CreateWindows);
    readyBound_->start(kReadyBoundMs);
}

void CMainFrame::CreateWindows() {
    if (closed_ || windowsCreated_)
        return;
    windowsCreated_ = true;
    if (readyBound_ != nullptr)
        readyBound_->stop();
    main_ = new CTikoDlg_Main(context_, *this);
    timeSlim_ = new CTikoDlg_TimeSlim(context_, *this, -1);
    Class_TIKOCONF_TOP* conf = context_.conf;
    if (conf != nullptr && conf->WorldClocks() != nullptr)
        timeSlim_->SetScale(conf->WorldClocks()->fScale.load());
    timeSlim_->move(0, 0);
    main_->installEventFilter(this);
    timeSlim_->installEventFilter(this);
    // Made now and kept hidden; 일정관리 shows it.
    schedule_ = new CTikoDlg_ScheAlarm(context_, std::filesystem::current_path(),
                                       options_.asker != nullptr ? *options_.asker : DefaultMessageAsker());
    // Saved world clocks reopen; their regions are read from the world table now, not only once
    // the world time dialog has been opened.
    if (!worldClocks_->RestoreSaved() && options_.showNotice)
        options_.showNotice(QString::fromUtf8(kNoWorldTableText));

    const Class_TIKOCONF_ENV* env = conf != nullptr ? conf->Env() : nullptr;
    const Class_TIKOCONF_WDPROP_MAINDLG* place = conf != nullptr ? conf->MainDlg() : nullptr;
    if (env != nullptr && env->bMainVisible.load() == 1) {
        if (place != nullptr) {
            const QPoint at(place->nLeft.load(), place->nTop.load());
            main_->move(at);
            timeSlim_->move(at);
        }
        QWidget* shown = env->bClockOnly.load() == 1 ? static_cast<QWidget*>(timeSlim_) : main_;
        shown->show();
        shown->raise();
    } else if (!HasNotificationArea()) {
        // Hidden in a run that had a tray: without one nothing could show it again.
        main_->showMinimized();
    }
    emit windowsCreated();
}

void CMainFrame::OnPopupMessage(const QString& text, const QString& detail) {
    if (closed_)
        return;
    auto* popup = new CTaskBarMsgWnd(text, kPopupWidth, kPopupHeight, kPopupDisplayMs, kPopupStepMs,
                                     kPopupTextRect, Qt::white, *options_.launcher);
    popup->SetDetailText(detail);
    popups_.removeAll(nullptr);
    popups_.append(popup);
    popup->PopMsg();
}

void CMainFrame::PrintResult(const QString& text, bool readable) {
    if (closed_ || !readable)
        return;
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
    std::fflush(stdout);
    if (options_.printResults == 2)
        Close();
}
