// Access keys in every window: each visible button and menu item has a Latin key of its own
// within its window, the caption stays as it was, and the key acts (offscreen).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "dialogs/tests/fake_message_asker.h"
#include "dialogs/tests/fake_screensaver_switch.h"
#include "dialogs/tikodlg_schealarm.h"
#include "dialogs/tikoprosheet_setup.h"
#include "encoding/cp949.h"
#include "shell/mainframe.h"
#include "shell/tikodlg_aboutbox.h"
#include "shell/tikodlg_main.h"
#include "shell/tikodlg_worldtime.h"
#include "tests/support/temp_dir.h"
#include "windowkit/access_keys.h"
#include "windowkit/tests/fake_main_frame.h"
#include "world/world_store.h"

namespace {

// Takes the shortcut events meant for the objects it watches, so a key is seen to arrive
// without the button or item acting on it.
class ShortcutCatcher : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Shortcut)
            return false;
        hits.push_back({watched, static_cast<QShortcutEvent*>(event)->isAmbiguous()});
        return true;
    }
    std::vector<std::pair<QObject*, bool>> hits;
};

std::string Caption(const QAbstractButton& b) {
    return (b.text().isEmpty() ? b.accessibleName() : b.text()).toStdString();
}

void Activate(QWidget& window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// The visible buttons under `window` (Qt's own tool buttons, as in the calendar, aside): Alt and
// a key of each one's own, said in its tool tip; the key reaches that button alone.
void ExpectButtonKeys(QWidget& window, const std::string& what) {
    Activate(window);
    ShortcutCatcher catcher;
    std::map<QKeySequence, std::string> owners;
    int buttons = 0;
    for (QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || qobject_cast<QToolButton*>(b) != nullptr)
            continue;
        ++buttons;
        const QKeySequence key = b->shortcut();
        ASSERT_EQ(key.count(), 1) << what << ": " << Caption(*b) << " has no key";
        EXPECT_EQ(key[0].keyboardModifiers(), Qt::AltModifier) << what << ": " << Caption(*b);
        const auto [owner, fresh] = owners.emplace(key, Caption(*b));
        EXPECT_TRUE(fresh) << what << ": " << Caption(*b) << " shares its key with " << owner->second;
        // A caption that marks its own key ("COM &1") underlines it; the others say it in the tip.
        if (!b->text().contains(QLatin1Char('&'))) {
            EXPECT_TRUE(b->toolTip().contains(key.toString(QKeySequence::NativeText)))
                << what << ": " << Caption(*b);
        }
        if (!b->isEnabled())
            continue;
        b->installEventFilter(&catcher);
        catcher.hits.clear();
        QTest::keyClick(&window, key[0].key(), Qt::AltModifier);
        EXPECT_EQ(catcher.hits, (std::vector<std::pair<QObject*, bool>>{{b, false}}))
            << what << ": " << Caption(*b);
        b->removeEventFilter(&catcher);
    }
    EXPECT_GT(buttons, 0) << what;
}

class AccessKeysTest : public shell_test::WindowTest {
protected:
    AccessKeysTest() : WindowTest({1'780'000'000, 0}, 9 * 3600) {}

    TempDir dir_;
    dialogs_test::FakeMessageAsker asker_;
    dialogs_test::FakeScreenSaverSwitch saver_;
};

TEST_F(AccessKeysTest, EveryButtonOfEveryWindowHasAKeyOfItsOwnThatPressesIt) {
    conf_->Env()->bCompareAtStart.store(0);
    CTikoDlg_Main main(context_, frame_);
    ExpectButtonKeys(main, "main dialog");
    EXPECT_EQ(main.syncButton()->text(), QString::fromUtf8("동기"));  // the caption as it was
    EXPECT_EQ(main.syncButton()->toolTip(), QStringLiteral("Alt+S"));
    // Pressed for real (a shortcut clicks a moment later, as it shows the button down): 비교 asks
    // for a comparison and waits for it.
    QTest::keyClick(&main, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(shell_test::WaitOnGui([&] { return !main.compareButton()->isEnabled(); }));
    EXPECT_EQ(bridge_.Sent(), std::vector<int32_t>{AO_SYNC_COMPARE_SIG});

    const std::filesystem::path table = dir_ / world::kWorldTableFileName;
    {
        std::ofstream out(table, std::ios::binary);
        out << *encoding::Utf8ToCp949("아시아 2\n서울 0 0 0\n홍콩 -60 0 0\n");
    }
    world::WorldStore store(table);
    ASSERT_NE(store.Table(), nullptr);
    CTikoDlg_WorldTime world(context_, store, *store.Table(), {});
    ExpectButtonKeys(world, "world time");

    CTikoDlg_AboutBox about(nullptr, dir_ / "none.hlp");
    ExpectButtonKeys(about, "about box");

    CTikoDlg_ScheAlarm schedule(context_, dir_.path(), asker_);
    ExpectButtonKeys(schedule, "schedule");

    // The sheet's 확인 and 취소 with each page's own buttons.
    CTikoProSheet_Setup sheet(context_, frame_, asker_, saver_, nullptr);
    auto* tabs = sheet.findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        ExpectButtonKeys(sheet, "settings, " + tabs->tabText(i).toStdString());
    }
    sheet.reject();

    QMessageBox box(QMessageBox::Question, QStringLiteral("TIKo3"), QStringLiteral("?"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    SetAccessKeys(box);
    ExpectButtonKeys(box, "message box");
}

TEST_F(AccessKeysTest, EveryMenuItemHasALetterOfItsOwnThatChoosesItWhileTheMenuIsOpen) {
    CMainFrame::Options options;
    options.notificationArea = 0;
    CMainFrame frame(context_, options);
    std::map<QKeySequence, QString> owners;
    for (QAction* action : frame.ContextMenu()->actions()) {
        if (action->isSeparator())
            continue;
        const QKeySequence key = action->shortcut();
        ASSERT_EQ(key.count(), 1) << action->text().toStdString() << " has no key";
        EXPECT_EQ(key[0].keyboardModifiers(), Qt::NoModifier);
        EXPECT_TRUE(owners.emplace(key, action->text()).second) << action->text().toStdString();
    }
    EXPECT_EQ(owners.size(), std::size(access_keys::kMenu));

    // Each letter chooses its own item and closes the menu, on a menu of the same items that
    // runs no commands.
    QMenu menu;
    for (const AccessKey& entry : access_keys::kMenu)
        menu.addAction(QString::fromUtf8(entry.caption));
    SetAccessKeys(menu, access_keys::kMenu);
    QAction* chosen = nullptr;
    QObject::connect(&menu, &QMenu::triggered, [&](QAction* action) { chosen = action; });
    for (QAction* action : menu.actions()) {
        menu.popup(QPoint(10, 10));
        ASSERT_TRUE(shell_test::WaitOnGui([&] { return QApplication::activePopupWidget() == &menu; }));
        chosen = nullptr;
        QTest::keyClick(&menu, action->shortcut()[0].key());
        EXPECT_EQ(chosen, action) << action->text().toStdString();
        EXPECT_TRUE(shell_test::WaitOnGui([&] { return !menu.isVisible(); }));
    }
    // Closed, the letters are the window's again.
    QWidget other;
    Activate(other);
    chosen = nullptr;
    QTest::keyClick(&other, Qt::Key_X);
    EXPECT_EQ(chosen, nullptr);
}

}  // namespace
