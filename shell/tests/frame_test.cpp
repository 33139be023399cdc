// The hidden frame: its menu, the commands and the signals they publish, the alarm pop-up, the
// help box and the report, on the offscreen platform with a recording runtime bridge.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QEnterEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "dialogs/message_asker.h"
#include "dialogs/tests/fake_message_asker.h"
#include "dialogs/tests/fake_screensaver_switch.h"
#include "dialogs/tikodlg_schealarm.h"
#include "dialogs/tikoprosheet_setup.h"
#include "encoding/cp949.h"
#include "runtime/signals.h"
#include "shell/launcher.h"
#include "shell/mainframe.h"
#include "shell/schedule_report.h"
#include "shell/systemtray.h"
#include "shell/taskbarmsgwnd.h"
#include "shell/tikodlg_aboutbox.h"
#include "shell/tikodlg_main.h"
#include "shell/tikodlg_timeslim.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_dir.h"
#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"
#include "windowkit/tests/fake_main_frame.h"
#include "windowkit/window_layout.h"

namespace {

using shell_test::App;
using shell_test::WaitOnGui;

// A frame over fresh stores in a temporary working directory.
class FrameTest : public ::testing::Test {
protected:
    FrameTest() {
        App();
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        conf_->Env()->bCompareAtStart = 0;
    }
    ~FrameTest() override {
        frame_.reset();
        std::filesystem::current_path(previous_);
    }

    CMainFrame& Frame() {
        if (!frame_) {
            CMainFrame::Options options;
            options.launcher = &launcher_;
            options.showMessage = [this](const QString& text) { messages_.append(text); };
            options.asker = realBoxes_ ? &realAsker_ : static_cast<IMessageAsker*>(&asker_);
            options.screenSaver = &saver_;
            options.notificationArea = notificationArea_;
            frame_ = std::make_unique<CMainFrame>(ShellContext{conf_.get(), book_.get(), &bridge_, &clock_},
                                                  options);
            frame_->Create();
        }
        return *frame_;
    }

    TempDir dir_;
    std::filesystem::path previous_;
    std::unique_ptr<Class_TIKOCONF_TOP> conf_ = CTIKOConfList_Mgr().BuildDefaultTree();
    std::unique_ptr<Class_TIKOSCHEDULE_TOP> book_ = CTIKOScheduleList_Mgr().BuildDefaultTree();
    platform::FakeClock clock_{calendar::WallTime{1'780'000'000, 0}, 9 * 3600};
    shell_test::RecordingBridge bridge_{conf_.get()};
    RecordingLauncher launcher_;
    QStringList messages_;
    dialogs_test::FakeMessageAsker asker_;
    CMessageBoxAsker realAsker_;
    bool realBoxes_ = false;
    dialogs_test::FakeScreenSaverSwitch saver_;
    std::unique_ptr<CMainFrame> frame_;
    int notificationArea_ = 1;
};

TEST_F(FrameTest, MenuHasEveryItemInOrderWithTheDefaultInBold) {
    const QList<QAction*> actions = Frame().ContextMenu()->actions();
    QStringList shown;
    for (const QAction* a : actions)
        shown.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(
        shown.join(QLatin1Char('|')),
        QStringLiteral(
            "표준시 비교|표준시 동기|-|환경설정|세계시각|일정관리|일정보기|도움말|-|닫기|모두감추기|-|종료"));
    EXPECT_EQ(Frame().ContextMenu()->defaultAction(), Frame().Action(kCmdCompare));
    for (const QAction* a : actions)
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
}

TEST_F(FrameTest, SchedulesShowTheHiddenDialogWhereItWasAndPauseTheAlarms) {
    conf_->Alarm()->bAlarm = 1;
    conf_->AlarmDlg()->nLeft = 120;
    conf_->AlarmDlg()->nTop = 80;
    CTikoDlg_ScheAlarm* dialog = Frame().ScheduleDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isVisible());
    Frame().Action(kCmdSchedules)->trigger();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->pos(), QPoint(120, 80));
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));  // bTopMost is 1
    EXPECT_EQ(bridge_.Sent(), std::vector<int32_t>{AO_ALARM_OFF_SIG});
}

TEST_F(FrameTest, CommandsPublishTheirRequests) {
    Frame().Action(kCmdCompare)->trigger();
    Frame().RunCommand(kCmdSync);
    EXPECT_EQ(bridge_.Sent(), (std::vector<int32_t>{AO_SYNC_COMPARE_SIG, AO_SYNC_SET_SIG}));
}

TEST_F(FrameTest, ExitIsRefusedWhileTheSettingsAreOpenAndOtherwiseClosesOnce) {
    int closed = 0;
    QObject::connect(&Frame(), &CMainFrame::closed, [&] { ++closed; });
    conf_->MainDlg()->bSetupOpen = 1;
    Frame().RunCommand(kCmdExit);
    QCoreApplication::processEvents();
    EXPECT_FALSE(Frame().IsClosed());
    conf_->MainDlg()->bSetupOpen = 0;
    Frame().RunCommand(kCmdExit);
    ASSERT_TRUE(WaitOnGui([&] { return Frame().IsClosed(); }));
    Frame().Close();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(Frame().MainDialog(), nullptr);
}

// Runs `inside` once the settings sheet of command 32775 is up, then lets the command end.
void WithSettingsOpen(CMainFrame& frame, const std::function<void(CTikoProSheet_Setup&)>& inside) {
    bool ran = false;
    QTimer::singleShot(0, &frame, [&] {
        ASSERT_TRUE(WaitOnGui(
            [&] { return frame.SettingsSheet() != nullptr && frame.SettingsSheet()->isVisible(); }));
        ran = true;
        inside(*frame.SettingsSheet());
    });
    frame.Action(kCmdSettings)->trigger();
    EXPECT_TRUE(ran);
    EXPECT_EQ(frame.SettingsSheet(), nullptr);
}

TEST_F(FrameTest, SettingsRunModallyOnceThenApplyTopMostAndSave) {
    conf_->MainDlg()->bSetupOpen = 1;  // left by a run that ended with the sheet open
    ASSERT_TRUE(Frame().WindowsCreated());
    EXPECT_EQ(conf_->MainDlg()->bSetupOpen.load(), 0);
    for (const int topMost : {0, 1}) {
        SCOPED_TRACE(topMost);
        std::filesystem::remove(dir_ / "TIKo.conf");
        WithSettingsOpen(Frame(), [&](CTikoProSheet_Setup& sheet) {
            EXPECT_EQ(conf_->MainDlg()->bSetupOpen.load(), 1);
            // 40 pixels into the main dialog, moved in only where the screen would cut it off.
            EXPECT_EQ(sheet.pos(),
                      PlaceInside(sheet.screen()->availableGeometry(),
                                  Frame().MainDialog()->frameGeometry().topLeft() + QPoint(40, 40),
                                  sheet.frameGeometry().size()));
            // Neither a second sheet nor the exit while this one runs.
            Frame().RunCommand(kCmdSettings);
            Frame().RunCommand(kCmdExit);
            QCoreApplication::processEvents();
            EXPECT_FALSE(Frame().IsClosed());
            const QWidgetList windows = QApplication::topLevelWidgets();
            EXPECT_EQ(
                std::count_if(windows.begin(), windows.end(),
                              [](QWidget* w) { return qobject_cast<CTikoProSheet_Setup*>(w) != nullptr; }),
                1);
            conf_->Env()->bTopMost = topMost;
            sheet.okButton()->click();
        });
        EXPECT_EQ(conf_->MainDlg()->bSetupOpen.load(), 0);
        EXPECT_TRUE(std::filesystem::exists(dir_ / "TIKo.conf"));
        EXPECT_EQ(Frame().MainDialog()->windowFlags().testFlag(Qt::WindowStaysOnTopHint), topMost == 1);
        EXPECT_TRUE(Frame().MainDialog()->isVisible());
    }
}

TEST_F(FrameTest, AClosingProgramEndsTheSettingsSheetWithoutHarm) {
    int closed = 0;
    QObject::connect(&Frame(), &CMainFrame::closed, [&] { ++closed; });
    WithSettingsOpen(Frame(), [&](CTikoProSheet_Setup&) {
        // As SIGTERM or the session's end do: the close path runs inside the sheet's loop.
        Frame().Close();
        EXPECT_FALSE(Frame().WindowsDestroyed());
    });
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(conf_->MainDlg()->bSetupOpen.load(), 0);
    // Once the sheet's loop has returned, the windows go.
    Frame().Close();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(Frame().MainDialog(), nullptr);
}

TEST_F(FrameTest, AClosingProgramEndsEveryScheduleBoxBeforeItsDialogGoes) {
    // Real message boxes, each parented to the schedule dialog and running its own loop: the
    // close path used to delete the dialog, and with it the box under its own exec.
    realBoxes_ = true;
    ASSERT_TRUE(Frame().WindowsCreated());
    Frame().ShowScheduleDialog();
    const QPointer<CTikoDlg_ScheAlarm> schedule = Frame().ScheduleDialog();
    bool boxSeen = false;
    QTimer::singleShot(0, &Frame(), [&] {
        ASSERT_TRUE(WaitOnGui(
            [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }));
        boxSeen = true;
        Frame().Close();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_FALSE(schedule.isNull());
    });
    // The 일정표삭제 question: a box that closes is no answer, so nothing is deleted.
    auto item = std::make_unique<Class_TIKOSCHEDULE>();
    item->nRepeat = kRepeatDaily;
    book_->AddItem(std::move(item));
    schedule->DeleteAll();
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(book_->ItemCount(), 1u);
    EXPECT_FALSE(Frame().WindowsDestroyed());
    Frame().Close();
    EXPECT_TRUE(Frame().WindowsDestroyed());
    EXPECT_TRUE(schedule.isNull());
}

TEST_F(FrameTest, AClosingProgramClosesTheMenuAndKeepsTheMainWindowWhereItWasMoved) {
    ASSERT_TRUE(Frame().WindowsCreated());
    // Moves are kept as they come, for an end that can no longer ask the display.
    Frame().MainDialog()->move(111, 222);
    QCoreApplication::processEvents();
    EXPECT_EQ(conf_->MainDlg()->nLeft.load(), 111);
    EXPECT_EQ(conf_->MainDlg()->nTop.load(), 222);
    Frame().ContextMenu()->popup(QPoint(10, 10));
    ASSERT_TRUE(WaitOnGui([&] { return QApplication::activePopupWidget() == Frame().ContextMenu(); }));
    Frame().Close();
    EXPECT_FALSE(Frame().ContextMenu()->isVisible());
    EXPECT_TRUE(Frame().WindowsDestroyed());
}

TEST_F(FrameTest, ClockOnlyTakesTheMainDialogsPlaceAndBack) {
    conf_->MainDlg()->nLeft = 130;
    conf_->MainDlg()->nTop = 70;
    ASSERT_TRUE(Frame().WindowsCreated());
    CTikoDlg_Main* main = Frame().MainDialog();
    CTikoDlg_TimeSlim* clock = Frame().ClockOnly();
    const QSize clockSize = clock->size();
    ASSERT_TRUE(main->isVisible());
    Frame().ShowClockOnly(true);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(clock->isVisible());
    EXPECT_EQ(clock->pos(), QPoint(130, 70));
    EXPECT_EQ(clock->size(), clockSize);
    clock->move(300, 200);
    Frame().ShowClockOnly(false);
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(clock->isVisible());
    EXPECT_EQ(main->pos(), QPoint(300, 200));
    EXPECT_EQ(conf_->Env()->bMainVisible.load(), 1);
}

TEST_F(FrameTest, StartsHiddenWhenAskedAndShowMainFollowsTheClockOnlyFlag) {
    conf_->Env()->bMainVisible = 0;
    conf_->MainDlg()->nLeft = 40;
    conf_->MainDlg()->nTop = 50;
    ASSERT_TRUE(Frame().WindowsCreated());
    EXPECT_FALSE(Frame().MainDialog()->isVisible());
    EXPECT_FALSE(Frame().ClockOnly()->isVisible());

    // A left click on the tray icon is command 32781.
    Frame().Tray().OnActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(Frame().MainDialog()->isVisible());
    EXPECT_EQ(conf_->Env()->bMainVisible.load(), 1);

    // The clock-only window: shown instead, and 닫기 on its menu hides it again.
    Frame().MainDialog()->hide();
    conf_->Env()->bClockOnly = 1;
    Frame().RunCommand(kCmdShowMain);
    EXPECT_TRUE(Frame().ClockOnly()->isVisible());
    EXPECT_FALSE(Frame().MainDialog()->isVisible());
    Frame().ClockOnly()->SetMenuTarget(true);
    Frame().RunCommand(kCmdCloseClock);
    EXPECT_FALSE(Frame().ClockOnly()->isVisible());
    EXPECT_EQ(conf_->Env()->bMainVisible.load(), 0);

    // Closing records where the shown window stands.
    Frame().ClockOnly()->move(120, 130);
    Frame().Close();
    EXPECT_EQ(conf_->MainDlg()->nLeft.load(), 120);
    EXPECT_EQ(conf_->MainDlg()->nTop.load(), 130);
}

TEST_F(FrameTest, VisibleStartPlacesTheMainDialogAtTheSavedPosition) {
    conf_->MainDlg()->nLeft = 70;
    conf_->MainDlg()->nTop = 80;
    ASSERT_TRUE(Frame().WindowsCreated());
    EXPECT_TRUE(Frame().MainDialog()->isVisible());
    EXPECT_EQ(Frame().MainDialog()->pos(), QPoint(70, 80));
    EXPECT_FALSE(Frame().ClockOnly()->isVisible());
}

TEST_F(FrameTest, WindowsWaitUntilTheManagersListen) {
    CMainFrame::Options options;
    options.launcher = &launcher_;
    options.waitForManagers = true;
    CMainFrame frame(ShellContext{conf_.get(), book_.get(), &bridge_, &clock_}, options);
    frame.Create();
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame.WindowsCreated());
    bridge_.SetManagersReady();
    EXPECT_TRUE(WaitOnGui([&] { return frame.WindowsCreated(); }));
}

TEST_F(FrameTest, AlarmSignalBecomesAPopupWhoseClickOpensTheDetail) {
    Frame();
    const QString alarm = QStringLiteral("10:00 회의\r\n11:00 점심");
    emit bridge_.alarm(alarm, alarm);
    emit bridge_.alarm(alarm, alarm);
    ASSERT_EQ(Frame().Popups().size(), 2);
    CTaskBarMsgWnd* popup = Frame().Popups().front();
    EXPECT_EQ(popup->Text(), QStringLiteral("10:00 회의\r\n11:00 점심"));
    ASSERT_TRUE(WaitOnGui([&] { return popup->isVisible() && popup->height() > 3; }));
    EXPECT_EQ(popup->width(), 160);

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(popup, &enter);
    EXPECT_TRUE(popup->Hovering());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(popup, &leave);
    EXPECT_FALSE(popup->Hovering());

    ASSERT_TRUE(popup->OpenDetail());
    const std::filesystem::path file = dir_ / kAlarmFileName;
    EXPECT_EQ(ReadFile(file), "10:00 회의\r\n11:00 점심");
    ASSERT_EQ(launcher_.opened.size(), 1);
    EXPECT_EQ(launcher_.opened.front().toStdString(), file.string());
}

TEST_F(FrameTest, ReportIsWrittenAndOpenedOnlyForABookWithItems) {
    Frame().RunCommand(kCmdScheduleReport);
    EXPECT_FALSE(std::filesystem::exists(dir_ / kScheduleReportFileName));
    EXPECT_TRUE(launcher_.opened.isEmpty());

    auto item = std::make_unique<Class_TIKOSCHEDULE>();
    item->nRepeat = kRepeatDaily;
    item->tWhen = clock_.FromLocal(calendar::MakeCivilTime(2026, 5, 1, 7, 5));
    item->strMemo.Set(*encoding::Utf8ToCp949("운동"));
    book_->AddItem(std::move(item));
    Frame().RunCommand(kCmdScheduleReport);
    EXPECT_EQ(ReadFile(dir_ / kScheduleReportFileName), BuildScheduleReport(*book_, clock_));
    EXPECT_EQ(launcher_.opened.size(), 1);

    // A report that cannot be created gives nothing.
    std::filesystem::remove(dir_ / kScheduleReportFileName);
    std::filesystem::create_directory(dir_ / kScheduleReportFileName);
    Frame().RunCommand(kCmdScheduleReport);
    EXPECT_EQ(launcher_.opened.size(), 1);
}

TEST_F(FrameTest, HelpBoxShowsTheFileOrSaysItCannotAndOpensOnlyOnce) {
    {
        CTikoDlg_AboutBox box;
        EXPECT_EQ(box.windowTitle(), QStringLiteral("표준시 정보"));
        EXPECT_EQ(box.HelpText(), QStringLiteral("도움말 파일을 읽을 수가 없습니다"));
        EXPECT_EQ(box.OkButton()->text(), QStringLiteral("확인"));
        EXPECT_TRUE(box.OkButton()->isDefault());
    }
    WriteFile(dir_ / "TIKo.hlp", *encoding::Utf8ToCp949("첫 줄\r\n둘째 줄"));
    bool nestedIgnored = false;
    // While the box is open, another help command does nothing.
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<CTikoDlg_AboutBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->HelpText(), QStringLiteral("첫 줄\n둘째 줄"));
        EXPECT_TRUE(Frame().AboutBoxOpen());
        Frame().RunCommand(kCmdHelp);  // returns at once
        nestedIgnored = true;
        box->OkButton()->click();
    });
    Frame().RunCommand(kCmdHelp);
    EXPECT_TRUE(nestedIgnored);
    EXPECT_FALSE(Frame().AboutBoxOpen());

    // Opened from the main dialog, the box survives a close that destroys that dialog meanwhile.
    ASSERT_NE(Frame().MainDialog(), nullptr);
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<CTikoDlg_AboutBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        // The close ends the box itself; the dialog goes once the box's loop has returned.
        Frame().Close();
        EXPECT_FALSE(box->isVisible());
    });
    Frame().RunCommand(kCmdHelp, Frame().MainDialog());
    EXPECT_FALSE(Frame().AboutBoxOpen());
    Frame().Close();
    EXPECT_EQ(Frame().MainDialog(), nullptr);
}

TEST_F(FrameTest, SaveConfigurationWritesTheFileOrSaysItFailed) {
    ASSERT_TRUE(Frame().SaveConfiguration());
    EXPECT_TRUE(std::filesystem::exists(dir_ / "TIKo.conf"));
    EXPECT_TRUE(messages_.isEmpty());
    std::filesystem::remove(dir_ / "TIKo.conf");
    std::filesystem::create_directory(dir_ / "TIKo.conf");
    EXPECT_FALSE(Frame().SaveConfiguration());
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_EQ(messages_.front(), QStringLiteral(" 셋업 정보가 저장되지 못햇습니다."));
}

}  // namespace

// Without a notification area nothing but the windows can bring a window back: hiding only
// minimises, and the main dialog's own menu carries every command, 종료 included.
TEST_F(FrameTest, WithoutANotificationAreaNothingHidesForGoodAndTheMainDialogCarriesTheMenu) {
    notificationArea_ = 0;
    conf_->Env()->bMainVisible = 0;  // hidden by a run that had a tray
    ASSERT_TRUE(Frame().WindowsCreated());
    CTikoDlg_Main* main = Frame().MainDialog();
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(main->isMinimized());
    Frame().RunCommand(kCmdShowMain);
    EXPECT_FALSE(main->isMinimized());

    main->hideButton()->click();
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(main->isMinimized());
    Frame().RunCommand(kCmdShowMain);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(main, &escape);
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(main->isMinimized());

    Frame().ShowClockOnly(true);
    Frame().ClockOnly()->SetMenuTarget(true);
    Frame().RunCommand(kCmdCloseClock);
    EXPECT_TRUE(Frame().ClockOnly()->isVisible());
    EXPECT_TRUE(Frame().ClockOnly()->isMinimized());
    Frame().ShowClockOnly(false);

    // Shift+F10 opens the menu under the focused control; its 종료 ends the program.
    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QApplication::sendEvent(main, &shiftF10);
    ASSERT_TRUE(Frame().ContextMenu()->isVisible());
    Frame().Action(kCmdExit)->trigger();
    EXPECT_TRUE(WaitOnGui([&] { return Frame().IsClosed(); }));
}

TEST_F(FrameTest, WithATrayHidingHidesAndTheIconAnswersTheKeyboard) {
    ASSERT_TRUE(Frame().WindowsCreated());
    CTikoDlg_Main* main = Frame().MainDialog();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(main, &escape);
    EXPECT_FALSE(main->isVisible());

    CSystemTray tray;
    QMenu menu;
    menu.addAction(QStringLiteral("종료"));
    int clicks = 0;
    tray.Create(&menu, QStringLiteral("TIKo3"), QIcon(), [&] { ++clicks; });
    EXPECT_TRUE(tray.OnKey(Qt::Key_Space, Qt::NoModifier));
    EXPECT_TRUE(tray.OnKey(Qt::Key_Return, Qt::NoModifier));
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(tray.OnKey(Qt::Key_A, Qt::NoModifier));
    EXPECT_TRUE(tray.OnKey(Qt::Key_F10, Qt::ShiftModifier));
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.activeAction(), menu.actions().first());
    menu.hide();
    EXPECT_TRUE(tray.OnKey(Qt::Key_Menu, Qt::NoModifier));
    EXPECT_TRUE(menu.isVisible());
}

TEST_F(FrameTest, ThePopupNeverTakesTheFocusButClosesOnEscapeOrReturn) {
    Frame();
    const QString alarm = QStringLiteral("10:00 회의\r\n11:00 점심");
    for (const int key : {Qt::Key_Escape, Qt::Key_Return}) {
        emit bridge_.alarm(alarm, alarm);
        ASSERT_TRUE(WaitOnGui([&] { return Frame().Popups().size() == 1 && Frame().Popups().front(); }));
        QPointer<CTaskBarMsgWnd> popup = Frame().Popups().front();
        ASSERT_TRUE(WaitOnGui([&] { return popup->isVisible(); }));
        EXPECT_TRUE(popup->testAttribute(Qt::WA_ShowWithoutActivating));
        EXPECT_EQ(popup->focusPolicy(), Qt::StrongFocus);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(popup, &press);
        EXPECT_TRUE(WaitOnGui([&] { return popup.isNull(); }));
        ASSERT_TRUE(WaitOnGui([&] { return Frame().Popups().isEmpty() || !Frame().Popups().front(); }));
    }
}
