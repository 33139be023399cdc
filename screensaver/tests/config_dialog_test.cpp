#include "screensaver/config_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <set>

#include "qt_app.h"
#include "tests/support/temp_dir.h"

namespace scr {
namespace {

class ConfigDialog : public ::testing::Test {
protected:
    void SetUp() override {
        test::App();
        ini_ = (dir_ / "TIKO3SCR.INI").string();
    }
    std::string Ini() const { return ReadFile(ini_); }
    TempDir dir_{"scr_dlg"};
    std::string ini_;
};

TEST_F(ConfigDialog, OpensWithTheDefaultsAndWritesEveryKeyOnOk) {
    CScrConfigDlg dlg(ini_);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("TIKo Screen Saver 3.0"));
    EXPECT_TRUE(dlg.analog()->isChecked());
    EXPECT_FALSE(dlg.digital()->isChecked());
    EXPECT_TRUE(dlg.syncOn()->isChecked());
    EXPECT_FALSE(dlg.calendar()->isChecked());
    EXPECT_EQ(dlg.interval()->text(), QStringLiteral("1000"));
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);

    dlg.show();
    dlg.digital()->click();
    EXPECT_FALSE(dlg.analog()->isChecked());
    dlg.calendar()->click();
    dlg.mode24()->click();
    dlg.syncOn()->click();
    dlg.interval()->setText(QStringLiteral("-15"));
    dlg.ok()->click();
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(Ini(), "[TIKO3SCR]\nbType=1\nbCarlendar=1\nbSyncUse=0\nnSyncDuration=-15\nn24Mode=1\n");
}

TEST_F(ConfigDialog, ReadsTheFileAndKeepsTheTypeWhenNeitherRadioIsChecked) {
    std::ofstream(ini_) << "[TIKO3SCR]\nbType=1\nbCarlendar=1\nbSyncUse=0\nnSyncDuration=60\nn24Mode=1\n";
    CScrConfigDlg dlg(ini_);
    EXPECT_TRUE(dlg.digital()->isChecked());
    EXPECT_TRUE(dlg.calendar()->isChecked());
    EXPECT_TRUE(dlg.mode24()->isChecked());
    EXPECT_FALSE(dlg.syncOn()->isChecked());
    EXPECT_EQ(dlg.interval()->text(), QStringLiteral("60"));
    dlg.digital()->setChecked(false);
    dlg.interval()->clear();
    dlg.ok()->click();
    EXPECT_NE(Ini().find("bType=1\n"), std::string::npos);
    EXPECT_NE(Ini().find("nSyncDuration=0\n"), std::string::npos);
}

TEST_F(ConfigDialog, EveryButtonHasAnAltKeyOfItsOwn) {
    CScrConfigDlg dlg(ini_);
    std::set<QKeySequence> keys;
    for (QAbstractButton* b : dlg.findChildren<QAbstractButton*>()) {
        EXPECT_EQ(b->shortcut().count(), 1) << b->text().toStdString();
        EXPECT_TRUE(keys.insert(b->shortcut()).second) << b->text().toStdString();
    }
    EXPECT_EQ(dlg.ok()->text(), QStringLiteral("OK"));
    EXPECT_EQ(dlg.ok()->toolTip(), QStringLiteral("Alt+O"));
}

TEST_F(ConfigDialog, EscapeAndCloseLeaveItOpen) {
    CScrConfigDlg dlg(ini_);
    dlg.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &esc);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.close());
    EXPECT_TRUE(dlg.isVisible());
    dlg.reject();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(std::filesystem::exists(ini_));
    dlg.ok()->click();
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(ConfigDialog, IntervalFieldAcceptsOnlySignedNumbers) {
    CScrConfigDlg dlg(ini_);
    dlg.show();
    dlg.interval()->clear();
    for (const char* text : {"1", "2", "x", "3"}) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(text));
        QApplication::sendEvent(dlg.interval(), &key);
    }
    EXPECT_EQ(dlg.interval()->text(), QStringLiteral("123"));
}

TEST_F(ConfigDialog, FailedWriteKeepsTheDialogOpen) {
    std::filesystem::create_directory(ini_);  // a directory where the file should go
    CScrConfigDlg dlg(ini_);
    dlg.show();
    // The warning box is modal: close it whenever one is up.
    QTimer closer;
    int closed = 0;
    QObject::connect(&closer, &QTimer::timeout, [&closed] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QMessageBox") && w->isVisible())
                closed += w->close();
    });
    closer.start(10);
    dlg.ok()->click();
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(dlg.isVisible());
}

}  // namespace
}  // namespace scr
