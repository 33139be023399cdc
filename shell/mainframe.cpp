#include "shell/mainframe.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QIcon>
#include <QMenu>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "dialogs/message_asker.h"
#include "dialogs/tikodlg_schealarm.h"
#include "dialogs/tikoprosheet_setup.h"
#include "dialogs/xscreensaver_switch.h"
#include "shell/launcher.h"
#include "shell/schedule_report.h"
#include "shell/taskbarmsgwnd.h"
#include "shell/tikodlg_aboutbox.h"
#include "shell/tikodlg_main.h"
#include "shell/tikodlg_timeslim.h"
#include "shell/tikodlg_worldtime.h"
#include "shell/world_clock_list.h"
#include "treestore/app_store.h"
#include "windowkit/runtime_bridge.h"
#include "world/world_store.h"

namespace {

// The first pop-up menu of menu resource 106; 0 is a separator.
struct MenuItem {
    int id;
    const char* caption;
};
constexpr MenuItem kMenuItems[] = {
    {kCmdCompare, "표준시 비교"},
    {kCmdSync, "표준시 동기"},
    {0, nullptr},
    {kCmdSettings, "환경설정"},
    {kCmdWorldTime, "세계시각"},
    {kCmdSchedules, "일정관리"},
    {kCmdScheduleReport, "일정보기"},
    {kCmdHelp, "도움말"},
    {0, nullptr},
    {kCmdCloseClock, "닫기"},
    {kCmdHideAllClocks, "모두감추기"},
    {0, nullptr},
    {kCmdExit, "종료"},
};

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

void CMainFrame::BuildMenus() {
    contextMenu_ = std::make_unique<QMenu>();
    contextMenu_->setTitle(QStringLiteral("TIKo3"));
    for (const MenuItem& item : kMenuItems) {
        if (item.id == 0) {
            contextMenu_->addSeparator();
            continue;
        }
        QAction* action = contextMenu_->addAction(QString::fromUtf8(item.caption));
        action->setData(item.id);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    }
    // The default item, shown in bold.
    contextMenu_->setDefaultAction(Action(kCmdCompare));
}

QAction* CMainFrame::Action(int commandId) const {
    for (QAction* action : contextMenu_->actions()) {
        if (action->data().toInt() == commandId)
            return action;
    }
    return nullptr;
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

void CMainFrame::RunCommand(int commandId, QWidget* origin) {
    if (closed_)
        return;
    Class_TIKOCONF_TOP* conf = context_.conf;
    switch (commandId) {
        case kCmdExit:
            // Refused while the settings sheet is open: it writes into the tree being saved.
            if (conf != nullptr && conf->MainDlg() != nullptr && conf->MainDlg()->bSetupOpen.load() == 1)
                return;
            PostClose();
            return;
        case kCmdHelp:
            ShowHelp(origin);
            return;
        case kCmdCompare:
            if (context_.bridge != nullptr)
                context_.bridge->RequestCompare();
            return;
        case kCmdSync:
            if (context_.bridge != nullptr)
                context_.bridge->RequestSync();
            return;
        case kCmdSettings:
            ShowSettings(origin);
            return;
        case kCmdWorldTime:
            ShowWorldTime();
            return;
        case kCmdHideAllClocks:
            worldClocks_->HideAll();
            return;
        case kCmdCloseClock:
            worldClocks_->CloseMenuTarget();
            if (timeSlim_ != nullptr && timeSlim_->menuTarget())
                PutAway(timeSlim_);
            return;
        case kCmdSchedules:
            ShowScheduleDialog();
            return;
        case kCmdScheduleReport:
            WriteScheduleReport();
            return;
        case kCmdShowMain:
            ShowMain();
            return;
        default:
            return;
    }
}

void CMainFrame::ShowMain() {
    Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    if (main_ == nullptr || timeSlim_ == nullptr)
        return;
    QWidget* window =
        env != nullptr && env->bClockOnly.load() != 0 ? static_cast<QWidget*>(timeSlim_) : main_;
    window->showNormal();
    window->raise();
    window->activateWindow();
    if (env != nullptr)
        env->bMainVisible.store(1);
}

void CMainFrame::PutAway(QWidget* window) {
    if (HasNotificationArea()) {
        window->hide();
        if (Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr)
            env->bMainVisible.store(0);
        return;
    }
    window->showMinimized();
}

void CMainFrame::ShowScheduleDialog() {
    if (closed_ || schedule_ == nullptr)
        return;
    const Class_TIKOCONF_TOP* conf = context_.conf;
    if (conf != nullptr && conf->AlarmDlg() != nullptr)
        schedule_->move(conf->AlarmDlg()->nLeft.load(), conf->AlarmDlg()->nTop.load());
    const bool topMost = conf != nullptr && conf->Env() != nullptr && conf->Env()->bTopMost.load() == 1;
    // Changing the flag re-creates (and hides) the window: only when it differs.
    if (schedule_->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != topMost)
        schedule_->setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    schedule_->showNormal();  // a minimised dialog comes back too
    schedule_->raise();
    schedule_->activateWindow();
}

void CMainFrame::ShowHelp(QWidget* origin) {
    if (aboutOpen_)
        return;
    aboutOpen_ = true;
    {
        // No parent: a close that arrives while the box runs (a signal, the session's end)
        // destroys the windows, and must not take the box from under its own exec.
        CTikoDlg_AboutBox box;
        if (origin != nullptr)
            box.move(origin->geometry().center() - box.rect().center());
        box.exec();
    }
    aboutOpen_ = false;
}

void CMainFrame::ShowSettings(QWidget* origin) {
    Class_TIKOCONF_WDPROP_MAINDLG* place = context_.conf != nullptr ? context_.conf->MainDlg() : nullptr;
    if (place == nullptr || place->bSetupOpen.load() == 1)
        return;
    if (options_.screenSaver == nullptr && ownScreenSaver_ == nullptr)
        ownScreenSaver_ = XScreenSaverSwitch::ForThisProgram();
    IScreenSaverSwitch& saver = options_.screenSaver != nullptr ? *options_.screenSaver : *ownScreenSaver_;
    IMessageAsker& asker = options_.asker != nullptr ? *options_.asker : DefaultMessageAsker();
    {
        // Placed near the main dialog but not its child: a close that arrives meanwhile (a
        // signal, the session's end) destroys that dialog, and rejects the sheet instead.
        CTikoProSheet_Setup sheet(context_, *this, asker, saver, origin != nullptr ? origin : main_);
        settings_ = &sheet;
        place->bSetupOpen.store(1);
        sheet.exec();
        place->bSetupOpen.store(0);
    }
    // After a close the program saves everything on its way out.
    if (closed_)
        return;
    if (main_ != nullptr)
        main_->ApplyTopMost();
    if (timeSlim_ != nullptr)
        timeSlim_->ApplyTopMost();
    SaveConfiguration();
}

CTikoProSheet_Setup* CMainFrame::SettingsSheet() const {
    return settings_;
}

void CMainFrame::ShowClockOnly(bool clockOnly) {
    if (closed_ || main_ == nullptr || timeSlim_ == nullptr)
        return;
    QWidget* from = clockOnly ? static_cast<QWidget*>(main_) : timeSlim_;
    QWidget* to = clockOnly ? static_cast<QWidget*>(timeSlim_) : main_;
    const QPoint at = from->pos();
    from->hide();
    to->move(at);
    to->showNormal();
    to->raise();
    // One of the two is on the screen now.
    if (Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr)
        env->bMainVisible.store(1);
}

void CMainFrame::ShowWorldTime() {
    if (main_ == nullptr)
        return;
    if (worldTime_ == nullptr) {
        world::WorldStore& store =
            options_.worldStore != nullptr ? *options_.worldStore : world::ProcessWorld();
        const world::WorldTable* table = store.Table();
        if (table == nullptr) {
            // Said, and the program goes on: nothing unsaved is lost for a missing table.
            if (options_.showMessage)
                options_.showMessage(QString::fromUtf8(kNoWorldTableText));
            return;
        }
        CTikoDlg_WorldTime::Hooks hooks;
        hooks.openWorldClock = [this](int index, const QString& name) { OpenWorldClock(index, name); };
        hooks.saveConfiguration = [this] { SaveConfiguration(); };
        worldTime_ = new CTikoDlg_WorldTime(context_, store, *table, std::move(hooks), main_);
        const Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE* place =
            context_.conf != nullptr ? context_.conf->WorldClockTable() : nullptr;
        if (place != nullptr)
            worldTime_->move(place->nLeft.load(), place->nTop.load());
    }
    worldTime_->show();
    worldTime_->raise();
    worldTime_->activateWindow();
}

void CMainFrame::OpenWorldClock(int regionIndex, const QString& name) {
    if (!closed_)
        worldClocks_->Open(regionIndex, name);
}

CTikoDlg_WorldTime* CMainFrame::WorldTimeDialog() const {
    return worldTime_;
}

void CMainFrame::SetWorldClockTransparency(bool on) {
    worldClocks_->SetTransparency(on);
}

bool CMainFrame::OpenWebPage(const QString& address) {
    return options_.launcher->OpenUrl(address);
}

void CMainFrame::ShowContextMenu(CTikoDlg_TimeSlim* target, const QPoint& screenPos) {
    worldClocks_->MarkMenuTarget(target);
    if (timeSlim_ != nullptr)
        timeSlim_->SetMenuTarget(timeSlim_ == target);
    if (target != nullptr)
        target->SetMenuTarget(true);
    contextMenu_->popup(screenPos);
}

void CMainFrame::PostClose() {
    QMetaObject::invokeMethod(this, &CMainFrame::Close, Qt::QueuedConnection);
}

void CMainFrame::RecordWindowState() {
    // Before the windows exist the saved world clocks are still the ones to keep.
    if (windowsCreated_)
        worldClocks_->Record();
    Class_TIKOCONF_TOP* conf = context_.conf;
    if (conf == nullptr || main_ == nullptr || timeSlim_ == nullptr)
        return;
    const Class_TIKOCONF_ENV* env = conf->Env();
    Class_TIKOCONF_WDPROP_MAINDLG* place = conf->MainDlg();
    if (env == nullptr || place == nullptr)
        return;
    const QWidget* window = env->bClockOnly.load() == 1 ? static_cast<QWidget*>(timeSlim_) : main_;
    place->nLeft.store(window->x());
    place->nTop.store(window->y());
}

void CMainFrame::Close() {
    if (!closed_) {
        closed_ = true;
        if (readyBound_ != nullptr)
            readyBound_->stop();
        RecordWindowState();
        // A box, dialog or menu running its own loop may sit on a window about to be destroyed
        // (a message box of the schedule dialog): each loop ends first, and the windows go only
        // once control is back below them.
        const int ended = EndNestedLoops();
        safeLoopLevel_ = std::max(0, QThread::currentThread()->loopLevel() - ended);
        emit closed();
    }
    if (QThread::currentThread()->loopLevel() <= safeLoopLevel_)
        DestroyWindows();
}

int CMainFrame::EndNestedLoops() {
    int ended = 0;
    QList<QPointer<QWidget>> asked;
    for (;;) {
        QWidget* widget = QApplication::activePopupWidget();
        if (widget == nullptr)
            widget = QApplication::activeModalWidget();
        // One that stays after being asked and hidden is not ours to end.
        if (widget == nullptr || asked.contains(widget))
            break;
        QPointer<QWidget> guard(widget);
        asked.append(guard);
        ++ended;
        if (auto* dialog = qobject_cast<QDialog*>(widget))
            dialog->reject();
        else
            widget->close();
        // A box without an escape button ignores its close; hidden, its loop ends all the same.
        if (guard != nullptr && guard->isVisible())
            guard->hide();
    }
    return ended;
}

void CMainFrame::DestroyWindows() {
    if (destroyed_)
        return;
    destroyed_ = true;
    worldClocks_->DestroyAll();
    for (const QPointer<CTaskBarMsgWnd>& popup : popups_)
        delete popup.data();
    popups_.clear();
    delete main_;
    main_ = nullptr;
    delete timeSlim_;
    timeSlim_ = nullptr;
    delete schedule_;
    schedule_ = nullptr;
    contextMenu_->hide();
}

void CMainFrame::RecordWindowStateOffline() {
    if (windowsCreated_ && !closed_)
        worldClocks_->Record();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // The main window's place is kept as it moves, so an end without a display to ask (the X
    // server gone) still saves where the user left it.
    if (event->type() == QEvent::Move && !closed_ && (watched == main_ || watched == timeSlim_)) {
        Class_TIKOCONF_TOP* conf = context_.conf;
        const Class_TIKOCONF_ENV* env = conf != nullptr ? conf->Env() : nullptr;
        Class_TIKOCONF_WDPROP_MAINDLG* place = conf != nullptr ? conf->MainDlg() : nullptr;
        const QObject* recorded = env != nullptr && env->bClockOnly.load() == 1
                                      ? static_cast<QObject*>(timeSlim_)
                                      : static_cast<QObject*>(main_);
        if (place != nullptr && watched == recorded) {
            const QPoint at = static_cast<QWidget*>(watched)->pos();
            place->nLeft.store(at.x());
            place->nTop.store(at.y());
        }
    }
    return QObject::eventFilter(watched, event);
}

bool CMainFrame::SaveConfiguration() {
    RecordWindowState();
    if (context_.conf == nullptr)
        return false;
    if (::SaveConfiguration(*context_.conf, std::filesystem::current_path()))
        return true;
    if (options_.showMessage)
        options_.showMessage(QString::fromUtf8(kConfSaveFailedText));
    return false;
}

void CMainFrame::WriteScheduleReport() {
    if (context_.schedule == nullptr || context_.clock == nullptr)
        return;
    const std::string text = BuildScheduleReport(*context_.schedule, *context_.clock);
    if (text.empty())
        return;
    const QString path = QDir::current().absoluteFilePath(QString::fromUtf8(kScheduleReportFileName));
    if (!WriteTextFile(path.toStdString(), text))
        return;
    options_.launcher->Open(path);
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
