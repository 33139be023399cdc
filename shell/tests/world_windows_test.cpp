// The world clocks: the world time dialog and its face, the clock windows the frame opens for
// regions, their cascade, recording and reopening, on the offscreen platform.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>

#include "encoding/cp949.h"
#include "shell/launcher.h"
#include "shell/lumwnd_worldclock.h"
#include "shell/mainframe.h"
#include "shell/tikodlg_timeslim.h"
#include "shell/tikodlg_worldtime.h"
#include "shell/world_clock_list.h"
#include "tests/support/temp_dir.h"
#include "windowkit/accessible_text.h"
#include "windowkit/tests/fake_main_frame.h"
#include "world/info_text.h"
#include "world/world_store.h"

namespace {

using calendar::MakeCivilTime;

std::string Cp949(const std::string& utf8) {
    return encoding::Utf8ToCp949(utf8).value();
}

// Eight groups; 뉴욕 is entry 5, 모스크바 entry 3 and 바르샤바 entry 4.
const std::string kTable =
    "아시아 2\n서울 0 0 0\n홍콩 -60 0 0\n유럽 2\n모스크바 -360 0 0\n바르샤바 -480 2 14\n"
    "북아메리카 1\n뉴욕 -840 14 11\n남아메리카 0\n아프리카 0\n오세아니아 1\n시드니 60 21 21\n"
    "중동 0\n대서양·인도양 1\n아조레스_제도 -600 5 16\n";
constexpr int kNewYork = 5;

// 2026-07-01 03:00:00 UTC: summer in New York, 23:00 on 30 June there.
constexpr int64_t kJulyUtc = 1'782'874'800;

WorldFaceTexts Texts(int h, int m, int s, bool hour24) {
    return WorldClockTexts(MakeCivilTime(2003, 1, 5, h, m, s), hour24);
}

TEST(WorldClockFaceTexts, TwentyFourAndTwelveHourModes) {
    EXPECT_EQ(Texts(13, 5, 5, true).time, "13:05:05");
    EXPECT_TRUE(Texts(13, 5, 5, true).marker.isEmpty());
    EXPECT_EQ(Texts(13, 5, 5, true).date, "03-01-05");
    EXPECT_EQ(Texts(13, 5, 5, false).time, "01:05:05");
    EXPECT_EQ(Texts(13, 5, 5, false).marker, "PM");
    EXPECT_EQ(Texts(0, 0, 0, false).time, "12:00:00");
    EXPECT_EQ(Texts(0, 0, 0, false).marker, "AM");
    EXPECT_EQ(WorldClockTexts(MakeCivilTime(2000, 12, 31), true).date, "00-12-31");
}

class WorldWindowsTest : public shell_test::WindowTest {
protected:
    WorldWindowsTest() : WindowTest({kJulyUtc, 0}) { WriteFile(tablePath_, Cp949(kTable)); }

    int64_t Korean() const { return clock_.NowUtc().seconds + calendar::kKoreaUtcOffsetSeconds; }
    calendar::CivilTime NewYorkNow() {
        const std::optional<world::Region> newYork = store_.RegionAt(kNewYork);
        return world::RegionClockTime(&*newYork, Korean());
    }
    std::unique_ptr<CTikoDlg_WorldTime> MakeDialog() {
        CTikoDlg_WorldTime::Hooks hooks;
        hooks.openWorldClock = [this](int index, const QString& name) { opened_.push_back({index, name}); };
        hooks.saveConfiguration = [this] { ++saves_; };
        return std::make_unique<CTikoDlg_WorldTime>(context_, store_, *store_.Table(), hooks);
    }

    TempDir dir_;
    std::filesystem::path tablePath_ = dir_ / world::kWorldTableFileName;
    world::WorldStore store_{tablePath_};
    std::vector<std::pair<int, QString>> opened_;
    int saves_ = 0;
};

bool HasGreen(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(0, 255, 0))
                return true;
    return false;
}

TEST_F(WorldWindowsTest, FaceShowsTheSelectedRegionAndBlinksForEighteenPaints) {
    CLumWnd_WorldClock face(context_, store_);
    face.resize(240, 56);
    EXPECT_EQ(face.shownTime(), calendar::CivilFromUnix(Korean()));  // none selected: Korea
    store_.Select(kNewYork, Cp949("뉴욕"));
    face.Tick();
    EXPECT_EQ(face.shownTime(), NewYorkNow());
    EXPECT_EQ(face.shownTime().hour, 23);
    std::string drawn;
    for (int paint = 0; paint < 21; ++paint)
        drawn += HasGreen(face.Render()) ? 'D' : '-';
    // Counter 18 down to 0, drawn while it is below 3 modulo 6, then always.
    EXPECT_EQ(drawn, "D---DDD---DDD---DDDDD");
}

TEST_F(WorldWindowsTest, FaceBlinksEvery50MsThenWakesJustPastEachSecond) {
    clock_.Set({kJulyUtc, 400'000'000});
    CLumWnd_WorldClock face(context_, store_);
    face.resize(240, 56);
    face.show();
    EXPECT_EQ(face.timer().interval(), CLumWnd_WorldClock::kPeriodMs);
    for (int paint = 0; paint < CLumWnd_WorldClock::kBlinkPaints; ++paint)
        face.Render();
    ASSERT_TRUE(
        shell_test::WaitOnGui([&] { return face.timer().interval() != CLumWnd_WorldClock::kPeriodMs; }));
    EXPECT_GE(face.timer().interval(), 600);
    EXPECT_LE(face.timer().interval(), 610);
    face.hide();
    EXPECT_FALSE(face.timer().isActive());
}

TEST_F(WorldWindowsTest, TreeHoldsUtcAndTheGroupsWithTheirRegions) {
    auto dialog = MakeDialog();
    QTreeWidgetItem* root = dialog->tree()->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), "세계시간표");
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 9);
    EXPECT_EQ(root->child(0)->text(0), "UTC");
    EXPECT_EQ(root->child(0)->data(0, Qt::UserRole).toInt(), 0);
    EXPECT_EQ(root->child(8)->text(0), "대서양·인도양");
    EXPECT_EQ(root->child(8)->data(0, Qt::UserRole).toInt(), -1);
    EXPECT_EQ(root->child(3)->child(0)->text(0), "뉴욕");
    EXPECT_EQ(root->child(3)->child(0)->data(0, Qt::UserRole).toInt(), kNewYork);
    EXPECT_EQ(dialog->windowTitle(), "세계시각");
}

TEST_F(WorldWindowsTest, SelectingOrFindingARegionSelectsItAndExplainsIt) {
    auto dialog = MakeDialog();
    dialog->tree()->setCurrentItem(dialog->ItemOf(kNewYork));
    EXPECT_EQ(store_.SelectedIndex(), kNewYork);
    EXPECT_EQ(store_.SelectedName(), Cp949("뉴욕"));
    EXPECT_EQ(dialog->information()->text().toStdString(),
              world::InformationText(*store_.RegionAt(kNewYork), Korean()));
    // A group is no region.
    dialog->tree()->setCurrentItem(dialog->tree()->topLevelItem(0)->child(1));
    EXPECT_EQ(store_.SelectedIndex(), kNewYork);

    dialog->searchEdit()->setText(QString::fromUtf8("바"));
    dialog->findButton()->click();
    EXPECT_EQ(store_.SelectedIndex(), 3);  // 모스크바 comes before 바르샤바
    EXPECT_EQ(dialog->tree()->currentItem(), dialog->ItemOf(3));
    EXPECT_TRUE(dialog->information()->text().startsWith("선택하신 지역은 한국보다 6시 0분이 늦은"));

    dialog->searchEdit()->setText(QString::fromUtf8("런던"));
    dialog->findButton()->click();
    EXPECT_EQ(dialog->information()->text(), "입력하신 지역을 찾을 수 없습니다");
    EXPECT_EQ(store_.SelectedIndex(), 3);

    dialog->searchEdit()->clear();
    dialog->findButton()->click();
    EXPECT_EQ(dialog->searchEdit()->text(), "찾고자 하는 도시/국가명");
    EXPECT_EQ(dialog->information()->text(), "지역을 입력해 주십시오");
    QFocusEvent focus(QEvent::FocusIn);
    QCoreApplication::sendEvent(dialog->searchEdit(), &focus);
    EXPECT_TRUE(dialog->searchEdit()->text().isEmpty());
}

// A reader hears the information text (told on each change), the face's time, and names with
// spaces where the table joins words with "_"; typed as shown, such a name is found.
TEST_F(WorldWindowsTest, AReaderHearsTheInformationAndTheNamesAsShown) {
    auto dialog = MakeDialog();
    std::vector<QObject*> told;
    SetAnnounceHookForTests([&](QObject* o) { told.push_back(o); });
    dialog->tree()->setCurrentItem(dialog->ItemOf(kNewYork));
    QAccessibleInterface* info = QAccessible::queryAccessibleInterface(dialog->information());
    EXPECT_EQ(info->text(QAccessible::Name).toStdString(),
              OneLine(QString::fromStdString(world::InformationText(*store_.RegionAt(kNewYork), Korean())))
                  .toStdString());
    EXPECT_EQ(std::count(told.begin(), told.end(), dialog->information()), 1);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(dialog->face())->text(QAccessible::Name),
              dialog->face()->ShownText());
    EXPECT_FALSE(dialog->face()->ShownText().isEmpty());
    SetAnnounceHookForTests({});

    QTreeWidgetItem* azores = dialog->tree()->topLevelItem(0)->child(8)->child(0);
    EXPECT_EQ(azores->text(0), "아조레스 제도");
    dialog->searchEdit()->setText(QString::fromUtf8("레스 제"));
    dialog->findButton()->click();
    EXPECT_EQ(dialog->tree()->currentItem(), azores);
    EXPECT_EQ(store_.SelectedName(), Cp949("아조레스_제도"));  // the table's name stays
}

TEST_F(WorldWindowsTest, DialogButtonsOpenAClockAndCloseWithOrWithoutSaving) {
    auto dialog = MakeDialog();
    dialog->move(321, 123);
    dialog->show();
    dialog->showClockButton()->click();
    EXPECT_TRUE(opened_.empty());  // no region selected yet
    dialog->tree()->setCurrentItem(dialog->ItemOf(kNewYork));
    dialog->showClockButton()->click();
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], (std::pair<int, QString>{kNewYork, QString::fromUtf8("뉴욕")}));

    dialog->closeButton()->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(saves_, 1);
    EXPECT_EQ(conf_->WorldClockTable()->nLeft.load(), dialog->x());
    EXPECT_EQ(conf_->WorldClockTable()->nTop.load(), dialog->y());

    dialog->show();
    dialog->move(40, 60);
    conf_->WorldClockTable()->nLeft.store(0);
    dialog->reject();  // Escape and the close box
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(saves_, 1);
    EXPECT_EQ(conf_->WorldClockTable()->nLeft.load(), dialog->x());
}

TEST_F(WorldWindowsTest, ThreeClocksInARowCascadeFromTheDefaultNode) {
    CWorldClockList list(context_, frame_, store_);
    for (int i = 0; i < 3; ++i)
        list.Open(kNewYork, QString::fromUtf8("뉴욕"));
    const std::vector<CTikoDlg_TimeSlim*> windows = list.Windows();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0]->pos(), QPoint(150, 150));
    EXPECT_EQ(windows[1]->pos(), QPoint(200, 200));
    EXPECT_EQ(windows[2]->pos(), QPoint(250, 250));
    EXPECT_EQ(conf_->WorldClocks()->nNextLeft.load(), 250);
    EXPECT_EQ(conf_->WorldClocks()->nNextTop.load(), 250);
    EXPECT_TRUE(windows[0]->isVisible());
    EXPECT_EQ(windows[0]->labelText(), "뉴욕");
    EXPECT_EQ(windows[0]->shownTime(), NewYorkNow());
}

TEST_F(WorldWindowsTest, OnlyVisibleClocksAreRecordedAndTheyReopenWhereTheyWere) {
    {
        CWorldClockList list(context_, frame_, store_);
        list.Open(kNewYork, QString::fromUtf8("뉴욕"));
        list.Open(1, QString::fromUtf8("서울"));
        list.Open(6, QString::fromUtf8("시드니"));
        list.Windows()[1]->hide();
        list.Record();
    }
    Class_TIKOCONF_WDPROP_WORLDCLOCKS* node = conf_->WorldClocks();
    ASSERT_EQ(node->GetChildCount(), 2);
    auto* first = static_cast<Class_TIKOCONF_WDPROP_WORLDCLOCK*>(node->GetFirstChild());
    EXPECT_EQ(first->nZone.load(), kNewYork);
    EXPECT_EQ(first->strName.Get(), Cp949("뉴욕"));
    EXPECT_EQ(first->nLeft.load(), 150);
    // A saved entry that is no clock is skipped; -1000 leaves the placing to the window system.
    auto* none = new Class_TIKOCONF_WDPROP_WORLDCLOCK();
    node->AppendChild(none);
    auto* unplaced = new Class_TIKOCONF_WDPROP_WORLDCLOCK();
    unplaced->nZone.store(kNewYork);
    unplaced->strName.Set(Cp949("뉴욕"));
    unplaced->nLeft.store(-1000);
    node->AppendChild(unplaced);

    world::WorldStore fresh(tablePath_);  // a new run: nothing has read the table yet
    CWorldClockList list(context_, frame_, fresh);
    EXPECT_TRUE(list.RestoreSaved());
    EXPECT_EQ(node->GetChildCount(), 0);
    const std::vector<CTikoDlg_TimeSlim*> windows = list.Windows();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0]->pos(), QPoint(150, 150));
    EXPECT_EQ(windows[1]->labelText(), "시드니");
    EXPECT_NE(windows[2]->x(), -1000);
    // The restored clock shows its region's time without the dialog ever opening.
    EXPECT_EQ(windows[0]->shownTime(), NewYorkNow());
}

TEST_F(WorldWindowsTest, ARestoredClockFindsItsRegionByNameInAChangedTable) {
    auto* saved = new Class_TIKOCONF_WDPROP_WORLDCLOCK();
    saved->nZone.store(1);  // 서울's place in this table; the clock was 뉴욕's
    saved->strName.Set(Cp949("뉴욕"));
    saved->nLeft.store(10);
    saved->nTop.store(20);
    conf_->WorldClocks()->AppendChild(saved);
    CWorldClockList list(context_, frame_, store_);
    list.RestoreSaved();
    ASSERT_EQ(list.Windows().size(), 1u);
    EXPECT_EQ(list.Windows()[0]->regionIndex(), kNewYork);
    EXPECT_EQ(list.Windows()[0]->shownTime(), NewYorkNow());
}

TEST_F(WorldWindowsTest, CloseHidesOnlyTheMenuTargetAndHideAllHidesEvery) {
    CWorldClockList list(context_, frame_, store_);
    CTikoDlg_TimeSlim* a = list.Open(kNewYork, QString::fromUtf8("뉴욕"));
    CTikoDlg_TimeSlim* b = list.Open(6, QString::fromUtf8("시드니"));
    list.MarkMenuTarget(b);
    list.MarkMenuTarget(a);
    EXPECT_FALSE(b->menuTarget());
    EXPECT_TRUE(list.CloseMenuTarget());
    EXPECT_FALSE(a->isVisible());
    EXPECT_TRUE(b->isVisible());
    list.SetTransparency(true);
    EXPECT_EQ(b->seeThrough(), CTikoDlg_TimeSlim::TranslucencySupported());
    EXPECT_EQ(a->seeThrough(), CTikoDlg_TimeSlim::TranslucencySupported());
    list.HideAll();
    EXPECT_FALSE(b->isVisible());
    list.MarkMenuTarget(nullptr);
    EXPECT_FALSE(list.CloseMenuTarget());
}

TEST_F(WorldWindowsTest, FrameSaysAMissingTableAndGoesOn) {
    std::filesystem::remove(tablePath_);
    world::WorldStore store(tablePath_);
    RecordingLauncher launcher;
    QStringList messages;
    CMainFrame::Options options;
    options.launcher = &launcher;
    options.showMessage = [&](const QString& text) { messages.append(text); };
    options.worldStore = &store;
    conf_->Env()->bMainVisible.store(0);
    CMainFrame frame(context_, options);
    frame.Create();
    ASSERT_TRUE(frame.WindowsCreated());
    frame.RunCommand(kCmdWorldTime);
    EXPECT_EQ(messages, QStringList{QString::fromUtf8(kNoWorldTableText)});
    EXPECT_EQ(frame.WorldTimeDialog(), nullptr);
    EXPECT_FALSE(frame.IsClosed());

    WriteFile(tablePath_, Cp949(kTable));
    frame.RunCommand(kCmdWorldTime);
    ASSERT_NE(frame.WorldTimeDialog(), nullptr);
    EXPECT_TRUE(frame.WorldTimeDialog()->isVisible());
    EXPECT_EQ(frame.WorldTimeDialog()->pos(), QPoint(200, 200));
    frame.OpenWorldClock(kNewYork, QString::fromUtf8("뉴욕"));
    frame.ShowContextMenu(frame.WorldClocks().Windows()[0], QPoint(0, 0));
    frame.RunCommand(kCmdCloseClock);
    EXPECT_FALSE(frame.WorldClocks().Windows()[0]->isVisible());
    EXPECT_TRUE(frame.ClockOnly()->isHidden());
}

// Pictures to look at: the dialog with a region found and three clocks, one see-through, over a
// patterned desktop; from the shipped table.
TEST_F(WorldWindowsTest, ScreenshotsOfTheDialogAndThreeClocks) {
    const std::filesystem::path shipped =
        std::filesystem::path(SHELL_FONT_ALIASES).parent_path().parent_path() / world::kWorldTableFileName;
    world::WorldStore store(shipped);
    ASSERT_NE(store.Table(), nullptr);
    CTikoDlg_WorldTime dialog(context_, store, *store.Table(), {});
    dialog.show();
    dialog.searchEdit()->setText(QString::fromUtf8("뉴욕"));
    dialog.findButton()->click();
    ASSERT_EQ(dialog.tree()->currentItem()->text(0), "뉴욕");
    for (int paint = 0; paint < CLumWnd_WorldClock::kBlinkPaints; ++paint)
        dialog.face()->Render();
    QDir().mkpath(SHELL_ARTEFACT_DIR);
    EXPECT_TRUE(dialog.grab().save(QStringLiteral(SHELL_ARTEFACT_DIR "/world_time_dialog.png")));

    CWorldClockList list(context_, frame_, store);
    const char* names[] = {"뉴욕", "런던", "시드니"};
    QImage desktop(460, 200, QImage::Format_RGB32);
    desktop.fill(QColor(70, 110, 160));
    QPainter painter(&desktop);
    for (int x = 0; x < desktop.width(); x += 20)
        painter.fillRect(x, 0, 10, desktop.height(), QColor(90, 140, 190));
    for (int i = 0; i < 3; ++i) {
        const std::string name = Cp949(names[i]);
        const world::WorldTable& table = *store.Table();
        const int index = world::ResolveRegionIndex(table, 0, name);
        CTikoDlg_TimeSlim* clock = list.Open(index, QString::fromUtf8(names[i]));
        if (i == 2) {
            conf_->Env()->bWorldClockTransparent.store(1);
            clock->SetTransparency(true);
        }
        painter.drawImage(QPoint(20 + 30 * i, 20 + 60 * i), clock->Picture());
        conf_->Env()->bWorldClockTransparent.store(0);
    }
    painter.end();
    EXPECT_TRUE(desktop.save(QStringLiteral(SHELL_ARTEFACT_DIR "/world_clocks.png")));
}

}  // namespace
