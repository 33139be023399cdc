// The frame's close path: window state recorded, nested loops ended, the windows destroyed.
#include "shell/mainframe.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMenu>
#include <QThread>
#include <algorithm>
#include <filesystem>

#include "dialogs/tikodlg_schealarm.h"
#include "shell/taskbarmsgwnd.h"
#include "shell/tikodlg_main.h"
#include "shell/tikodlg_timeslim.h"
#include "shell/world_clock_list.h"
#include "treestore/app_store.h"

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
