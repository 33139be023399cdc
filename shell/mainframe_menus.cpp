// The frame's menus and the commands they and the tray carry out.
#include "shell/mainframe.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <filesystem>

#include "dialogs/message_asker.h"
#include "dialogs/tikodlg_schealarm.h"
#include "dialogs/tikoprosheet_setup.h"
#include "dialogs/xscreensaver_switch.h"
#include "shell/launcher.h"
#include "shell/schedule_report.h"
#include "shell/tikodlg_aboutbox.h"
#include "shell/tikodlg_main.h"
#include "shell/tikodlg_timeslim.h"
#include "shell/tikodlg_worldtime.h"
#include "shell/world_clock_list.h"
#include "treestore/app_store.h"
#include "windowkit/access_keys.h"
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

}  // namespace

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
    SetAccessKeys(*contextMenu_, access_keys::kMenu);
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
