#include <gtest/gtest.h>

#include <QAccessible>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>

#include "shell/lumstatic_color.h"
#include "shell/lumwnd_clock.h"
#include "shell/tikodlg_main.h"
#include "tests/support/fake_clock.h"
#include "treestore/conf_schema.h"
#include "windowkit/accessible_text.h"
#include "windowkit/tests/fake_main_frame.h"

namespace {

class MainDialogTest : public ::testing::Test {
protected:
    MainDialogTest() : conf(CTIKOConfList_Mgr().BuildDefaultTree()), clock({1'041'768'000, 0}) {
        shell_test::App();
        context = ShellContext{conf.get(), nullptr, &bridge, &clock};
        // No compare at each show unless a test asks for it.
        conf->Env()->bCompareAtStart.store(0);
    }

    std::unique_ptr<Class_TIKOCONF_TOP> conf;
    platform::FakeClock clock;
    shell_test::RecordingBridge bridge;
    ShellContext context;
    shell_test::FakeMainFrame frame;
};

TEST_F(MainDialogTest, RequestButtonsPublishAndWaitForTheResult) {
    CTikoDlg_Main dlg(context, frame);
    struct Case {
        QPushButton* button;
        int32_t request;
        void (CRuntimeBridge::*result)(const QString&, bool);
        const char* text;
    };
    const Case cases[] = {
        {dlg.compareButton(), AO_SYNC_COMPARE_SIG, &CRuntimeBridge::compareResult,
         "사용자 PC가 0.250 초 늦습니다."},
        {dlg.syncButton(), AO_SYNC_SET_SIG, &CRuntimeBridge::syncResult, "동기 되었습니다."},
    };
    for (const Case& c : cases) {
        c.button->click();
        EXPECT_FALSE(dlg.compareButton()->isEnabled());
        EXPECT_FALSE(dlg.syncButton()->isEnabled());
        EXPECT_EQ(bridge.Sent(), std::vector<int32_t>{c.request});

        emit(bridge.*c.result)(QString::fromUtf8(c.text), true);
        EXPECT_EQ(dlg.messageLine()->text(), QString::fromUtf8(c.text));
        EXPECT_TRUE(dlg.compareButton()->isEnabled());
        EXPECT_TRUE(dlg.syncButton()->isEnabled());
    }
    // A result whose record could not be read still ends the wait, and shows nothing.
    dlg.compareButton()->click();
    emit bridge.compareResult(QString(), false);
    EXPECT_TRUE(dlg.compareButton()->isEnabled());
    EXPECT_EQ(dlg.messageLine()->text(), QString::fromUtf8("동기 되었습니다."));
}

// A refused setting's cause does not fit the one-line field: the first line shows, the whole text
// is the tool tip and the accessible description; the next result clears them.
TEST_F(MainDialogTest, RefusedSettingShowsItsFirstLineAndCarriesTheCause) {
    CTikoDlg_Main dlg(context, frame);
    const QString refused =
        QString::fromUtf8("동기에 실패했습니다.\n이 사용자에게는 시계를 맞출 권한이 없습니다.");
    dlg.ShowResult(refused, true);
    EXPECT_EQ(dlg.messageLine()->text(), QString::fromUtf8("동기에 실패했습니다."));
    EXPECT_EQ(dlg.messageLine()->toolTip(), refused);
    EXPECT_EQ(dlg.messageLine()->accessibleDescription(), refused);
    // Nobody pressed 동기 (an automatic synchronisation): no box.
    EXPECT_EQ(dlg.causeBox(), nullptr);
    dlg.ShowResult(QStringLiteral("ok"), true);
    EXPECT_TRUE(dlg.messageLine()->toolTip().isEmpty());
    EXPECT_TRUE(dlg.messageLine()->accessibleDescription().isEmpty());

    // The person's own 동기 is told the whole cause in a box that does not block.
    dlg.syncButton()->click();
    dlg.ShowResult(refused, true);
    ASSERT_NE(dlg.causeBox(), nullptr);
    EXPECT_TRUE(dlg.causeBox()->isVisible());
    EXPECT_EQ(dlg.causeBox()->text(), refused);
    dlg.causeBox()->accept();
}

TEST_F(MainDialogTest, SynchronisationResultFlashesOnlyWhenAsked) {
    CTikoDlg_Main dlg(context, frame);
    conf->Env()->bBlinkOnSync.store(0);
    dlg.ShowResult(QStringLiteral("steady"), true);
    EXPECT_FALSE(dlg.flashing());

    conf->Env()->bBlinkOnSync.store(1);
    dlg.ShowResult(QStringLiteral("blink"), false);  // a compare never flashes
    EXPECT_FALSE(dlg.flashing());
    dlg.ShowResult(QStringLiteral("blink"), true);
    ASSERT_TRUE(dlg.flashing());
    QStringList shown;
    for (int tick = 0; tick < 12; ++tick) {
        dlg.FlashTick();
        shown << dlg.messageLine()->text();
    }
    EXPECT_FALSE(dlg.flashing());
    EXPECT_EQ(shown.join(u'|'), QStringLiteral("blink||blink||blink||blink||blink||blink|blink"));
}

TEST_F(MainDialogTest, WindowButtonsGoToTheFrame) {
    CTikoDlg_Main dlg(context, frame);
    dlg.show();
    EXPECT_TRUE(dlg.settingsButton()->isEnabled());
    EXPECT_TRUE(dlg.worldTimeButton()->isEnabled());
    dlg.worldTimeButton()->click();
    dlg.helpButton()->click();
    ASSERT_EQ(frame.commands.size(), 2u);
    EXPECT_EQ(frame.commands[0].first, kCmdWorldTime);
    EXPECT_EQ(frame.commands[0].second, &dlg);
    EXPECT_EQ(frame.commands[1].first, kCmdHelp);

    dlg.hideButton()->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(conf->Env()->bMainVisible.load(), 0);
    EXPECT_EQ(frame.closes, 0);

    dlg.show();
    dlg.close();  // the close box ends the program
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(frame.closes, 1);
}

TEST_F(MainDialogTest, EachShowingComparesWhenAsked) {
    conf->Env()->bCompareAtStart.store(1);
    CTikoDlg_Main dlg(context, frame);
    dlg.show();
    dlg.hideButton()->click();
    dlg.show();
    EXPECT_EQ(bridge.Sent(), (std::vector<int32_t>{AO_SYNC_COMPARE_SIG, AO_SYNC_COMPARE_SIG}));
    // A comparison not started by the buttons leaves them enabled.
    EXPECT_TRUE(dlg.compareButton()->isEnabled());
}

TEST_F(MainDialogTest, TopMostFollowsTheSetting) {
    CTikoDlg_Main dlg(context, frame);
    dlg.show();
    EXPECT_TRUE(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    conf->Env()->bTopMost.store(0);
    dlg.ApplyTopMost();
    EXPECT_FALSE(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(MainDialogTest, DragByTheClockFaceRemembersThePosition) {
    CTikoDlg_Main dlg(context, frame);
    dlg.move(300, 300);
    dlg.show();
    const QPoint start = dlg.pos();
    QWidget* face = dlg.clock();
    const QPointF local(20, 20);
    const QPointF global = face->mapToGlobal(local);
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, face->mapFromGlobal(at), at, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(face, &event);
    };
    send(QEvent::MouseButtonPress, global, Qt::LeftButton);
    send(QEvent::MouseMove, global + QPointF(40, 25), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, global + QPointF(40, 25), Qt::NoButton);
    EXPECT_EQ(dlg.pos(), start + QPoint(40, 25));
    EXPECT_EQ(conf->MainDlg()->nLeft.load(), dlg.pos().x());
    EXPECT_EQ(conf->MainDlg()->nTop.load(), dlg.pos().y());
}

TEST_F(MainDialogTest, MessageColoursComeFromSettingsAndTheirChange) {
    CTikoDlg_Main dlg(context, frame);
    EXPECT_EQ(dlg.messageLine()->bkColor(), QColor(128, 128, 128));
    EXPECT_EQ(dlg.messageLine()->textColor(), QColor(255, 255, 0));
    conf->Env()->crMsgBack.store(0x0000FF);
    conf->Env()->crMsgText.store(0xFFFFFF);
    emit bridge.messageColoursChanged();
    EXPECT_EQ(dlg.messageLine()->bkColor(), QColor(255, 0, 0));
    EXPECT_EQ(dlg.messageLine()->textColor(), QColor(255, 255, 255));
    dlg.messageLine()->SetTextColor(-1);
    EXPECT_EQ(dlg.messageLine()->textColor(), QApplication::palette().color(QPalette::ButtonText));
}

TEST_F(MainDialogTest, ControlsKeepTheirCaptionsForAssistiveTools) {
    CTikoDlg_Main dlg(context, frame);
    for (QPushButton* b : dlg.findChildren<QPushButton*>())
        EXPECT_EQ(b->accessibleName(), QString(b->text()).remove(u'&'));
    EXPECT_EQ(dlg.findChildren<QPushButton*>().size(), 6);
    EXPECT_FALSE(dlg.clock()->accessibleName().isEmpty());
}

// A screen reader hears the result in the message line, once for each result, and the clock's
// time, told once a minute rather than every second.
TEST_F(MainDialogTest, AReaderHearsTheResultAndTheTime) {
    CTikoDlg_Main dlg(context, frame);
    std::vector<QObject*> told;
    SetAnnounceHookForTests([&](QObject* o) { told.push_back(o); });
    QAccessibleInterface* line = QAccessible::queryAccessibleInterface(dlg.messageLine());
    EXPECT_EQ(line->text(QAccessible::Name), QString::fromUtf8("메시지"));

    const QString result = QString::fromUtf8("사용자 PC가 2.500 초 늦습니다.");
    conf->Env()->bBlinkOnSync.store(1);
    dlg.ShowResult(result, true);
    EXPECT_EQ(line->text(QAccessible::Name), result);
    EXPECT_EQ(line->text(QAccessible::Description), QString::fromUtf8("메시지"));
    EXPECT_EQ(told, std::vector<QObject*>{dlg.messageLine()});
    // A flash blanks the line on the screen; the reader keeps the result and hears nothing more.
    for (int i = 0; i < 3; ++i)
        dlg.FlashTick();
    EXPECT_EQ(line->text(QAccessible::Name), result);
    EXPECT_EQ(told.size(), 1u);

    told.clear();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(dlg.clock());
    EXPECT_EQ(face->role(), QAccessible::StaticText);
    const int64_t minute = (dlg.clock()->time() / 60 + 1) * 60;
    for (int64_t second = minute - 2; second < minute + 60; ++second)
        dlg.clock()->SetTime(second);
    EXPECT_EQ(told, std::vector<QObject*>(1, dlg.clock()));
    EXPECT_TRUE(face->text(QAccessible::Name).contains(dlg.clock()->texts().time));
    EXPECT_EQ(face->text(QAccessible::Description), QString::fromUtf8("시계"));
    SetAnnounceHookForTests({});
}

}  // namespace
