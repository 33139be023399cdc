// The schedule dialog driven through its controls, with the message boxes answered by the test.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

#include "dialogs/schedule_texts.h"
#include "dialogs/tikodlg_schealarm.h"
#include "fake_message_asker.h"
#include "page_pictures.h"
#include "platform/clock.h"
#include "runtime/signals.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_dir.h"
#include "treestore/app_store.h"
#include "treestore/conf_schema.h"
#include "windowkit/accessible_text.h"
#include "windowkit/tests/fake_main_frame.h"

namespace {

using dialogs_test::FakeMessageAsker;
using dialogs_test::SavePicture;

constexpr char kAdded[] = "일정이 추가되었습니다. ";
constexpr char kChanged[] = "일정이 변경되었습니다. ";
constexpr char kDeleted[] = "일정이 삭제되었습니다. ";

using dialogs_test::U;

// 2026-12-08 (a Tuesday) 10:30:20 in Korea; the PC's zone is Korea too.
constexpr int64_t kKst = calendar::kKoreaUtcOffsetSeconds;
int64_t KstSeconds(int year, int month, int day, int hour, int minute, int second = 0) {
    return calendar::UnixFromCivil(calendar::MakeCivilTime(year, month, day, hour, minute, second)) - kKst;
}

class ScheduleDialogTest : public ::testing::Test {
protected:
    ScheduleDialogTest() : clock_(calendar::WallTime{KstSeconds(2026, 12, 8, 10, 30, 20), 0}, kKst) {
        shell_test::App();
        if (const char* old = std::getenv("TZ"))
            oldTz_ = old;
        setenv("TZ", "KST-9", 1);
        tzset();
        conf_ = CTIKOConfList_Mgr().BuildDefaultTree();
        book_ = std::make_unique<Class_TIKOSCHEDULE_TOP>();
        context_ = ShellContext{conf_.get(), book_.get(), &bridge_, &clock_};
    }
    ~ScheduleDialogTest() override {
        dialog_.reset();
        if (oldTz_.empty())
            unsetenv("TZ");
        else
            setenv("TZ", oldTz_.c_str(), 1);
        tzset();
    }

    CTikoDlg_ScheAlarm& Dialog() {
        if (!dialog_)
            dialog_ = std::make_unique<CTikoDlg_ScheAlarm>(context_, dir_.path(), asker_);
        return *dialog_;
    }
    void ShowOn(int year, int month, int day) {
        Dialog().calendar()->setSelectedDate(QDate(year, month, day));
    }
    // The inputs of one item, as a person sets them.
    void Enter(const char* hour, const char* minute, const char* memo, int repeat,
               std::initializer_list<int> leads) {
        CTikoDlg_ScheAlarm& d = Dialog();
        d.hourCombo()->setEditText(U(hour));
        d.minuteCombo()->setEditText(U(minute));
        d.memo()->setText(U(memo));
        if (repeat >= 0)
            d.repeatButton(repeat)->setChecked(true);
        else
            UncheckRepeat();
        for (int i = 0; i < 8; ++i)
            d.alarmBox(i)->setChecked(false);
        for (int lead : leads)
            d.alarmBox(lead)->setChecked(true);
    }
    // As when the dialog first opens: no repeat kind (a person cannot uncheck a radio button).
    void UncheckRepeat() {
        for (int i = 0; i < 4; ++i) {
            Dialog().repeatButton(i)->setAutoExclusive(false);
            Dialog().repeatButton(i)->setChecked(false);
            Dialog().repeatButton(i)->setAutoExclusive(true);
        }
    }
    void ClickRow(int row) {
        QTreeWidget* list = Dialog().list();
        ASSERT_LT(row, list->topLevelItemCount());
        list->setCurrentItem(list->topLevelItem(row));
    }
    std::vector<QString> Rows() {
        std::vector<QString> rows;
        QTreeWidget* list = Dialog().list();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* r = list->topLevelItem(i);
            rows.push_back(r->text(0) + "|" + r->text(1) + "|" + r->text(2));
        }
        return rows;
    }
    std::unique_ptr<Class_TIKOSCHEDULE> OnlyItem() {
        std::string guid;
        book_->ForEachItem([&](const Class_TIKOSCHEDULE& item) { guid = item.strGuid.Get(); });
        EXPECT_EQ(book_->ItemCount(), 1u);
        return book_->CopyItem(guid);
    }
    std::string AddItem(int64_t when, int repeat, const char* memoCp949) {
        auto item = std::make_unique<Class_TIKOSCHEDULE>();
        item->tWhen = when;
        item->nRepeat = repeat;
        item->bAlarmOnTime = true;
        item->strMemo.Set(memoCp949);
        return book_->AddItem(std::move(item))->strGuid.Get();
    }

    platform::FakeClock clock_;
    shell_test::RecordingBridge bridge_;
    std::unique_ptr<Class_TIKOCONF_TOP> conf_;
    std::unique_ptr<Class_TIKOSCHEDULE_TOP> book_;
    ShellContext context_;
    TempDir dir_{"schedule-dialog"};
    FakeMessageAsker asker_;
    std::unique_ptr<CTikoDlg_ScheAlarm> dialog_;
    std::string oldTz_;
};

TEST(ScheduleTextsTest, TitleTimeAndTypedFields) {
    EXPECT_EQ(ScheduleTitle({2002, 5, 20}), U("2002년  5월 20일 일정표"));
    EXPECT_EQ(ScheduleTimeText(9, 5, 0), U("09:05:00"));
    EXPECT_EQ(ScheduleTimeText(23, 59, 0), U("23:59:00"));
    struct Case {
        const char* text;
        std::optional<int> hour;
    };
    for (const Case& c : {Case{"7", 7}, Case{"07", 7}, Case{"07시", 7}, Case{" 7 시 ", 7}, Case{"23시", 23},
                          Case{"0", 0}, Case{"24", std::nullopt}, Case{"", std::nullopt},
                          Case{"시", std::nullopt}, Case{"7시간", std::nullopt}, Case{"-1", std::nullopt},
                          Case{"007", std::nullopt}, Case{"٧", std::nullopt}, Case{"a7", std::nullopt}})
        EXPECT_EQ(ParseClockField(U(c.text), U("시"), 23), c.hour) << c.text;
    EXPECT_EQ(ParseClockField(U("59분"), U("분"), 59), 59);
    EXPECT_EQ(ParseClockField(U("60분"), U("분"), 59), std::nullopt);
}

TEST_F(ScheduleDialogTest, OpensOnTodayInKorea) {
    // 2026-12-07 23:30 UTC is already the 8th in Korea.
    clock_.Set({KstSeconds(2026, 12, 8, 8, 30), 0});
    EXPECT_EQ(Dialog().calendar()->selectedDate(), QDate(2026, 12, 8));
    EXPECT_EQ(Dialog().title()->text(), U("2026년 12월  8일 일정표"));
    EXPECT_EQ(Dialog().hourCombo()->currentIndex(), 0);
    EXPECT_EQ(Dialog().hourCombo()->count(), 24);
    EXPECT_EQ(Dialog().minuteCombo()->itemText(59), U("59분"));
}

TEST_F(ScheduleDialogTest, AddRefusesInTheStepOrderAndStoresOnlyWhatIsChecked) {
    struct Step {
        const char* hour;
        const char* minute;
        const char* memo;
        int repeat;
        std::initializer_list<int> leads;
        const char* told;
    };
    const Step refused[] = {
        // The current minute: 10:30:00 is before 10:30:20.
        {"10시", "30분", "회의", 0, {0}, "현재 일시 이후부터 입력하실수 있읍니다."},
        {"10", "31", "", 0, {0}, "일정 내용을 입력하십시요!"},
        {"10", "31", "회의", -1, {0}, " 일정 타입( 당일, 매일, 매주, 매달 중 1 )을 선택하십시요!"},
        {"10", "31", "회의", 0, {}, " 알람 타입( 정각, 1분전, 5분전... )을 선택하십시요!"},
        {"24시",
         "31",
         "회의",
         0,
         {0},
         "시각의 시를 알 수 없습니다. 0부터 23까지의 수로 입력하십시요! (예: 07시)"},
        {"10",
         "6o",
         "회의",
         0,
         {0},
         "시각의 분을 알 수 없습니다. 0부터 59까지의 수로 입력하십시요! (예: 05분)"},
    };
    for (const Step& s : refused) {
        Enter(s.hour, s.minute, s.memo, s.repeat, s.leads);
        Dialog().Add();
        EXPECT_EQ(asker_.Take(), std::vector<QString>{U(s.told)}) << s.hour << " " << s.memo;
        EXPECT_EQ(book_->ItemCount(), 0u);
    }

    // Only 1시간전, typed the short way.
    Enter("10", "31", "회의", 0, {7});
    Dialog().Add();
    EXPECT_EQ(asker_.Take(), std::vector<QString>{U(kAdded)});
    const std::unique_ptr<Class_TIKOSCHEDULE> item = OnlyItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->tWhen.load(), KstSeconds(2026, 12, 8, 10, 31));
    EXPECT_EQ(item->tStamp.load(), KstSeconds(2026, 12, 8, 10, 30, 20));
    EXPECT_EQ(item->nRepeat.load(), kRepeatOnce);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(item->AlarmFlag(i).load(), i == 7) << i;
    EXPECT_EQ(item->strMemo.Get(), "\xC8\xB8\xC0\xC7");  // cp949
    EXPECT_EQ(item->strGuid.Get().size(), 32u);
    EXPECT_EQ(Dialog().hourCombo()->currentText(), U("10시"));
    EXPECT_EQ(Rows(), std::vector<QString>{U("10:31:00|회의|당일")});
}

TEST_F(ScheduleDialogTest, MemoThatCp949CannotHoldIsRefused) {
    Enter("11", "00", "회의 🙂", 0, {0});
    Dialog().Add();
    const std::vector<QString> told = asker_.Take();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].contains(U("🙂"))) << told[0].toStdString();
    EXPECT_EQ(book_->ItemCount(), 0u);
}

TEST_F(ScheduleDialogTest, ChangeWithoutRepeatKindLeavesItAndSaysNothing) {
    const std::string guid = AddItem(KstSeconds(2026, 12, 8, 15, 0), kRepeatOnce, "a");
    ShowOn(2026, 12, 8);
    ClickRow(0);
    EXPECT_EQ(Dialog().selectedKey(), guid);
    UncheckRepeat();
    Dialog().memo()->setText(U("b"));
    Dialog().Change();
    EXPECT_TRUE(asker_.Take().empty());
    EXPECT_EQ(book_->CopyItem(guid)->strMemo.Get(), "a");
}

TEST_F(ScheduleDialogTest, MonthlyItemIsSelectedChangedAndDeletedByItsKey) {
    const std::string guid =
        AddItem(KstSeconds(2026, 12, 15, 9, 5), kRepeatMonthly, "\xBF\xF9\xB1\xDE");  // 월급
    AddItem(KstSeconds(2026, 12, 15, 8, 0), kRepeatOnce, "x");
    ShowOn(2027, 1, 15);
    ASSERT_EQ(Rows().size(), 1u);
    ClickRow(0);
    EXPECT_EQ(Dialog().selectedKey(), guid);
    EXPECT_EQ(Dialog().hourCombo()->currentIndex(), 9);
    EXPECT_EQ(Dialog().minuteCombo()->currentIndex(), 5);
    EXPECT_EQ(Dialog().memo()->text(), U("월급"));
    EXPECT_TRUE(Dialog().repeatButton(kRepeatMonthly)->isChecked());
    EXPECT_TRUE(Dialog().alarmBox(0)->isChecked());

    Dialog().minuteCombo()->setEditText(U("10분"));
    Dialog().alarmBox(3)->setChecked(true);
    Dialog().Change();
    EXPECT_EQ(asker_.Take(), std::vector<QString>{U(kChanged)});
    std::unique_ptr<Class_TIKOSCHEDULE> item = book_->CopyItem(guid);
    EXPECT_EQ(item->tWhen.load(), KstSeconds(2027, 1, 15, 9, 10));
    EXPECT_TRUE(item->bAlarm10Min.load());
    EXPECT_EQ(book_->ItemCount(), 2u);

    Dialog().Delete();
    EXPECT_EQ(asker_.Take(), std::vector<QString>{U(kDeleted)});
    EXPECT_EQ(book_->CopyItem(guid), nullptr);
    EXPECT_EQ(book_->ItemCount(), 1u);
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(Dialog().repeatButton(kRepeatOnce)->isChecked());
    EXPECT_TRUE(Dialog().alarmBox(0)->isChecked());
    EXPECT_FALSE(Dialog().alarmBox(3)->isChecked());
    EXPECT_TRUE(Dialog().memo()->text().isEmpty());
    // The key names nothing now: a second delete does nothing and says nothing.
    Dialog().Delete();
    EXPECT_TRUE(asker_.Take().empty());
}

TEST_F(ScheduleDialogTest, DailyItemChangedWhileAnotherDateShowsMovesThere) {
    const std::string guid = AddItem(KstSeconds(2026, 12, 10, 8, 0), kRepeatDaily, "d");
    ShowOn(2026, 12, 20);
    ClickRow(0);
    Dialog().Change();
    EXPECT_EQ(asker_.Take(), std::vector<QString>{U(kChanged)});
    EXPECT_EQ(book_->CopyItem(guid)->tWhen.load(), KstSeconds(2026, 12, 20, 8, 0));
    // Not into the past: the shown date of yesterday is refused.
    ShowOn(2026, 12, 7);
    ClickRow(0);
    Dialog().Change();
    EXPECT_EQ(asker_.Take(), std::vector<QString>{U("현재 시각 이전의 일정은 변경할 수 없습니다.")});
    EXPECT_EQ(book_->CopyItem(guid)->tWhen.load(), KstSeconds(2026, 12, 20, 8, 0));
}

TEST_F(ScheduleDialogTest, DeleteAllAsksAndObeysBothAnswers) {
    AddItem(KstSeconds(2026, 12, 8, 12, 0), kRepeatOnce, "a");
    AddItem(KstSeconds(2026, 12, 8, 13, 0), kRepeatDaily, "b");
    ShowOn(2026, 12, 8);
    asker_.answers = {false, true, true};
    Dialog().DeleteAll();
    EXPECT_EQ(book_->ItemCount(), 2u);
    EXPECT_TRUE(asker_.Take().empty());
    Dialog().DeleteAll();
    EXPECT_EQ(book_->ItemCount(), 0u);
    EXPECT_EQ(asker_.Take(), std::vector<QString>{U("일정이 모두 삭제되었습니다. ")});
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(Dialog().repeatButton(kRepeatOnce)->isChecked());
    // An empty book: asked, then nothing more.
    Dialog().DeleteAll();
    EXPECT_TRUE(asker_.Take().empty());
    EXPECT_EQ(asker_.asked,
              std::vector<QString>(3, U("주의! 모든 일정 정보가 삭제됩니다. \n정말, 삭제하시겠습니까?")));
}

TEST_F(ScheduleDialogTest, ShowingPausesAlarmsOnceAndEveryWayOfClosingResumesAndSaves) {
    conf_->Alarm()->bAlarm = 1;
    const std::vector<int32_t> pausedThenResumed = {AO_ALARM_OFF_SIG, AO_ALARM_ON_SIG};

    Dialog().show();
    Dialog().show();  // already showing: no second pause
    AddItem(KstSeconds(2026, 12, 9, 9, 0), kRepeatOnce, "kept");
    Dialog().move(40, 50);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&Dialog(), &escape);
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_EQ(bridge_.Sent(), pausedThenResumed);
    EXPECT_EQ(conf_->AlarmDlg()->nLeft.load(), 40);
    EXPECT_EQ(conf_->AlarmDlg()->nTop.load(), 50);
    EXPECT_EQ(LoadScheduleBook(dir_.path())->ItemCount(), 1u);

    // The title bar's close box.
    AddItem(KstSeconds(2026, 12, 9, 10, 0), kRepeatOnce, "more");
    Dialog().show();
    Dialog().close();
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_EQ(bridge_.Sent(), pausedThenResumed);
    EXPECT_EQ(LoadScheduleBook(dir_.path())->ItemCount(), 2u);
    EXPECT_TRUE(asker_.Take().empty());

    // With alarms off, nothing is published either way.
    conf_->Alarm()->bAlarm = 0;
    Dialog().show();
    Dialog().CloseDialog();
    EXPECT_TRUE(bridge_.Sent().empty());
}

TEST_F(ScheduleDialogTest, FailedSaveIsSaidAndTheDialogStillCloses) {
    WriteFile(dir_ / "not-a-dir", "x");
    CTikoDlg_ScheAlarm dialog(context_, dir_ / "not-a-dir", asker_);
    dialog.show();
    dialog.CloseDialog();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(asker_.Take(), std::vector<QString>{U(" 일정 정보가 저장되지 못햇습니다.")});
}

// A listed day by time of day, whatever the repeat kind, and pictures of it for a person to look
// at: at the dialog font and at a large font.
TEST_F(ScheduleDialogTest, ListsADayByTimeOfDayAndRendersIt) {
    AddItem(KstSeconds(2026, 12, 8, 9, 0), kRepeatOnce, "\xC6\xC0 \xC8\xB8\xC0\xC7");  // 팀 회의
    AddItem(KstSeconds(2026, 12, 9, 8, 0), kRepeatOnce, "x");                          // another day
    AddItem(KstSeconds(2026, 11, 2, 7, 5), kRepeatDaily, "\xBF\xEE\xB5\xBF");          // 운동
    AddItem(KstSeconds(2026, 12, 1, 12, 30), kRepeatWeekly,
            "\xC1\xA1\xBD\xC9 \xBE\xE0\xBC\xD3");                                         // 점심 약속
    AddItem(KstSeconds(2026, 10, 8, 18, 0), kRepeatMonthly, "\xB0\xFC\xB8\xAE\xBA\xF1");  // 관리비
    ShowOn(2026, 12, 8);
    EXPECT_EQ(Rows(), (std::vector<QString>{U("07:05:00|운동|매일"), U("09:00:00|팀 회의|당일"),
                                            U("12:30:00|점심 약속|매주"), U("18:00:00|관리비|매달")}));
    ShowOn(2026, 12, 10);
    EXPECT_EQ(Rows(), std::vector<QString>{U("07:05:00|운동|매일")});
    EXPECT_EQ(Dialog().title()->text(), U("2026년 12월 10일 일정표"));
    ShowOn(2026, 12, 8);
    ClickRow(2);
    const int normalWidth = Dialog().width();
    SavePicture(Dialog(), "schedule_dialog.png");
    QFont large = Dialog().font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    Dialog().setFont(large);
    EXPECT_GT(Dialog().width(), normalWidth * 3 / 2);
    SavePicture(Dialog(), "schedule_dialog_large.png");
}

}  // namespace

// A screen reader hears the date title, the boxes by their labels, the arrows by what they do
// and every column of a row.
TEST_F(ScheduleDialogTest, AReaderHearsWhatTheDialogShows) {
    AddItem(KstSeconds(2026, 12, 9, 9, 5), kRepeatOnce, "meeting");
    std::vector<QObject*> told;
    SetAnnounceHookForTests([&](QObject* o) { told.push_back(o); });
    const auto name = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    };

    EXPECT_EQ(name(Dialog().title()), U("2026년 12월  8일 일정표"));
    told.clear();
    ShowOn(2026, 12, 9);
    EXPECT_EQ(name(Dialog().title()), U("2026년 12월  9일 일정표"));
    EXPECT_EQ(told, std::vector<QObject*>{Dialog().title()});

    EXPECT_EQ(name(Dialog().hourCombo()), U("시"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Dialog().hourCombo())->text(QAccessible::Value),
              U("00시"));
    EXPECT_EQ(name(Dialog().minuteCombo()), U("분"));
    for (QToolButton* arrow : Dialog().calendar()->findChildren<QToolButton*>()) {
        if (arrow->text().isEmpty()) {
            EXPECT_FALSE(name(arrow).isEmpty()) << arrow->objectName().toStdString();
        }
    }

    // The selected day says its month and year, not only "9".
    auto* days = Dialog().calendar()->findChild<QTableView*>();
    ASSERT_NE(days, nullptr);
    QAccessibleInterface* day = QAccessible::queryAccessibleInterface(days)->focusChild();
    ASSERT_NE(day, nullptr);
    EXPECT_EQ(day->text(QAccessible::Name), U("2026년 12월 9일 수요일"));
    EXPECT_EQ(day->role(), QAccessible::Cell);

    ASSERT_EQ(Rows().size(), 1u);
    Dialog().list()->doItemsLayout();  // a hidden view lays its rows out only when asked
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Dialog().list());
    QStringList names;
    for (int i = 0; i < list->childCount(); ++i)
        names << list->child(i)->text(QAccessible::Name);
    EXPECT_TRUE(names.contains(U("09:05:00, meeting, 당일"))) << names.join('|').toStdString();
    SetAnnounceHookForTests({});
}

// Tab goes through the inputs of an item before the button that adds it.
TEST_F(ScheduleDialogTest, TabReachesTheMemoAndTheAlarmChoicesBeforeAdd) {
    std::vector<QWidget*> chain;
    QWidget* w = Dialog().hourCombo();
    for (int i = 0; i < 80 && w != nullptr; ++i) {
        chain.push_back(w);
        w = w->nextInFocusChain();
    }
    const auto at = [&](QWidget* target) {
        const auto found = std::find(chain.begin(), chain.end(), target);
        EXPECT_NE(found, chain.end());
        return found - chain.begin();
    };
    EXPECT_LT(at(Dialog().memo()), at(Dialog().alarmBox(7)));
    QPushButton* add = nullptr;
    for (QPushButton* b : Dialog().findChildren<QPushButton*>()) {
        if (b->text() == U("추가"))
            add = b;
    }
    ASSERT_NE(add, nullptr);
    EXPECT_LT(at(Dialog().alarmBox(7)), at(add));
}
