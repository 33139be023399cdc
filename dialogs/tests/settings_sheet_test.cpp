// The settings sheet: its tabs and buttons, where it opens, and the real screen-saver switch on a
// settings file in a temporary folder.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "dialogs/tikopropage_alarm.h"
#include "dialogs/tikopropage_env.h"
#include "dialogs/tikoprosheet_setup.h"
#include "dialogs/xscreensaver_settings.h"
#include "dialogs/xscreensaver_switch.h"
#include "fake_message_asker.h"
#include "fake_screensaver_switch.h"
#include "page_pictures.h"
#include "tests/support/temp_dir.h"
#include "windowkit/tests/fake_main_frame.h"

namespace {

using dialogs_test::FakeMessageAsker;
using dialogs_test::FakeScreenSaverSwitch;

TEST(SheetPlacement, MovesNearTheParentOnlyWithRoomRightAndBelow) {
    const QRect desktop(0, 0, 1024, 768);
    struct Case {
        QRect parent;
        std::optional<QPoint> at;
    } cases[] = {
        {QRect(100, 100, 300, 200), QPoint(140, 140)},
        {QRect(0, 0, 824, 568), QPoint(40, 40)},    // exactly 200 to spare both ways
        {QRect(0, 0, 825, 100), std::nullopt},      // 199 to the right
        {QRect(500, 400, 100, 169), std::nullopt},  // 199 below
    };
    for (const Case& c : cases)
        EXPECT_EQ(SheetPlacement(desktop, c.parent), c.at) << c.parent.x() << "," << c.parent.y();
}

class SheetTest : public shell_test::WindowTest {
protected:
    SheetTest() : WindowTest({1'800'000'000, 0}) {}
    std::unique_ptr<CTikoProSheet_Setup> Make(QWidget* near = nullptr) {
        return std::make_unique<CTikoProSheet_Setup>(context_, frame_, asker_, saver_, near);
    }

    FakeMessageAsker asker_;
    FakeScreenSaverSwitch saver_;
};

TEST_F(SheetTest, FourPagesInOrderAndOnlyOkAndCancelWhichBothClose) {
    auto sheet = Make();
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("설정"));
    QStringList tabs;
    for (int i = 0; i < sheet->tabs()->count(); ++i)
        tabs << sheet->tabs()->tabText(i);
    EXPECT_EQ(tabs.join(QLatin1Char('|')), QStringLiteral("동기정보|환경설정|알람설정|시각전송"));
    EXPECT_EQ(sheet->tabs()->widget(1), static_cast<QWidget*>(sheet->envPage()));
    QStringList buttons;
    // The pages' own buttons aside, the sheet has these two.
    for (const QPushButton* b : sheet->findChildren<QPushButton*>())
        if (!sheet->tabs()->isAncestorOf(b))
            buttons << b->text();
    EXPECT_EQ(buttons.join(QLatin1Char('|')), QStringLiteral("확인|취소"));

    const std::pair<QPushButton* (CTikoProSheet_Setup::*)() const, int> closers[] = {
        {&CTikoProSheet_Setup::okButton, QDialog::Accepted},
        {&CTikoProSheet_Setup::cancelButton, QDialog::Rejected}};
    for (const auto& [button, result] : closers) {
        auto shown = Make();
        QTimer::singleShot(0, shown.get(), [&] { (shown.get()->*button)()->click(); });
        EXPECT_EQ(shown->exec(), result);
    }
}

TEST_F(SheetTest, TheAlarmPagesScheduleButtonClosesTheSheet) {
    auto sheet = Make();
    QTimer::singleShot(0, sheet.get(), [&] { emit sheet->alarmPage()->closeSheetRequested(); });
    EXPECT_EQ(sheet->exec(), QDialog::Rejected);
    EXPECT_FALSE(sheet->isVisible());
}

TEST_F(SheetTest, OpensNearTheWindowItBelongsTo) {
    QWidget near;
    near.setGeometry(120, 90, 300, 200);
    auto sheet = Make(&near);
    sheet->show();
    EXPECT_EQ(sheet->pos(), near.frameGeometry().topLeft() + QPoint(40, 40));
    for (int i = 0; i < sheet->tabs()->count(); ++i) {
        sheet->tabs()->setCurrentIndex(i);
        EXPECT_TRUE(sheet->rect().contains(sheet->tabs()->geometry())) << i;
    }
    dialogs_test::SavePicture(*sheet, "settings_sheet.png");
}

TEST(ScreenSaverPlaces, BesideABuildOrInTheInstallsScreenSaverFolder) {
    const ScreenSaverPlaces built = ScreenSaverPlacesFor("/work/build/default/shell/LumClient");
    EXPECT_EQ(built.inBuildTree, "/work/build/default/screensaver/TIKO3SCR");
    const ScreenSaverPlaces installed = ScreenSaverPlacesFor("/usr/bin/LumClient");
    EXPECT_EQ(installed.installed, "/usr/libexec/xscreensaver/TIKO3SCR");
    EXPECT_EQ(ScreenSaverPlacesFor("/opt/tiko3/bin/LumClient").installed,
              "/opt/tiko3/libexec/xscreensaver/TIKO3SCR");
}

// A build tree in a temporary folder: shell/LumClient with its marker, screensaver/TIKO3SCR.
class XScreenSaverSwitchTest : public ::testing::Test {
protected:
    XScreenSaverSwitchTest() {
        std::filesystem::create_directories(dir_ / "shell");
        std::filesystem::create_directories(dir_ / "screensaver");
        WriteFile(dir_ / "shell" / "LumClient.datadir", "/src/data\n");
        switch_ = std::make_unique<XScreenSaverSwitch>(settings_, dir_ / "shell" / "LumClient");
    }
    void BuildScreenSaver() {
        WriteFile(saver_, "#!/bin/sh\n");
        std::filesystem::permissions(saver_, std::filesystem::perms::owner_all);
    }
    TempDir dir_;
    std::filesystem::path settings_ = dir_ / ".xscreensaver";
    std::filesystem::path saver_ = dir_ / "screensaver" / "TIKO3SCR";
    std::unique_ptr<XScreenSaverSwitch> switch_;
};

TEST_F(XScreenSaverSwitchTest, AMissingScreenSaverIsSaidAndNothingIsWritten) {
    const QString message = switch_->Choose();
    EXPECT_TRUE(message.startsWith(
        QStringLiteral("스크린 세이버 TIKO3Scr.scr가 인스톨되어 있지 않습니다.\r\n\r\n    ") +
        QString::fromStdString(saver_.string())))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("--target TIKO3SCR")));
    EXPECT_FALSE(std::filesystem::exists(settings_));
    EXPECT_FALSE(switch_->IsChosen());
    // Installed, the message points at the package instead.
    EXPECT_TRUE(ScreenSaverMissingText("/usr/libexec/xscreensaver/TIKO3SCR", false)
                    .contains(QStringLiteral("sudo apt-get install")));
}

TEST_F(XScreenSaverSwitchTest, ChoosesTheBuiltScreenSaverAndSwitchesOff) {
    BuildScreenSaver();  // after the switch was made: looked for when the box is ticked
    WriteFile(settings_, "mode:\t\tblank\nprograms:\t\\\n\t\tmaze -root\t\\n\\\n\n");
    EXPECT_FALSE(switch_->IsChosen());
    EXPECT_EQ(switch_->Choose(), QString());
    EXPECT_TRUE(switch_->IsChosen());
    std::string error;
    const auto settings = xscreensaver::XScreenSaverSettings::Parse(ReadFile(settings_), &error);
    ASSERT_TRUE(settings.has_value()) << error;
    EXPECT_EQ(settings->Selected(), 1);
    EXPECT_EQ(settings->Programs().at(1).program, saver_.string());
    EXPECT_EQ(switch_->Unchoose(), QString());
    EXPECT_FALSE(switch_->IsChosen());
}

}  // namespace
