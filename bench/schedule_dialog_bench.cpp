// Listing one day of a 100,000-item schedule book: the book's own listing (sort check, copies of
// the day's items) beside the schedule dialog's (the same listing plus the rows of its list),
// each the median of 21 runs. The difference is what the dialog adds.
#include <malloc.h>
#include <time.h>

#include <QApplication>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "bench/timing.h"
#include "dialogs/message_asker.h"
#include "dialogs/tikodlg_schealarm.h"
#include "encoding/cp949.h"
#include "platform/clock.h"
#include "platform/font_alias.h"
#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"

namespace {

constexpr int kItems = 100'000;
constexpr int kRuns = 21;

// A year of one-time items from 2021-01-01 with a few repeating ones, as the tree store's bench.
std::unique_ptr<Class_TIKOSCHEDULE_TOP> MakeBook() {
    std::mt19937 random(kItems);
    const std::string memo =
        encoding::Utf8ToCp949("주간 회의 준비와 자료 정리, 오후 세시 본관 이층").value_or("memo");
    auto book = std::make_unique<Class_TIKOSCHEDULE_TOP>();
    const std::int64_t start = 1'609'459'200;
    CLumTreeNode* last = nullptr;
    for (int i = 0; i < kItems; ++i) {
        auto* item = new Class_TIKOSCHEDULE;
        item->strGuid.Set(CLumTreeMgr::NewItemGuid());
        item->tStamp = start;
        item->tWhen = start + 60 * std::uniform_int_distribution<std::int64_t>(0, 365 * 24 * 60)(random);
        const int kind = std::uniform_int_distribution<int>(0, 99)(random);
        item->nRepeat = kind < 97 ? kRepeatOnce : kind - 96;
        item->bAlarmOnTime = true;
        item->strMemo.Set(memo);
        // Appending walks the list; linking after the last keeps the build linear.
        if (last == nullptr)
            book->AppendChild(item);
        else
            last->InsertAfter(item);
        last = item;
    }
    return book;
}

}  // namespace

int main(int argc, char** argv) {
    // Freed memory stays in the process, as in the tree store's bench, so both listings measure
    // the work rather than the kernel faulting pages in again after a trim.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (const std::string aliases = platform::FindFontAliases(TIKO3_FONT_ALIAS_DIR); !aliases.empty())
        platform::LoadFontAliases(aliases);
    QApplication app(argc, argv);

    std::unique_ptr<Class_TIKOSCHEDULE_TOP> book = MakeBook();
    std::unique_ptr<Class_TIKOCONF_TOP> conf = CTIKOConfList_Mgr().BuildDefaultTree();
    platform::SystemClock clock;
    CTikoDlg_ScheAlarm dialog(ShellContext{conf.get(), book.get(), nullptr, &clock},
                              std::filesystem::temp_directory_path(), DefaultMessageAsker());
    const CLumDate day{2021, 6, 15};
    book->ListDay(day);  // the book in tWhen order, as after any earlier listing

    std::size_t listed = 0;
    const std::vector<Median> medians =
        MedianMs(kRuns, {[&] { listed = book->ListDay(day).size(); }, [&] { dialog.ListDate(day); }});
    const Median& store = medians[0];
    const Median& shown = medians[1];
    std::printf("schedule dialog, list one day of %d items, median of %d runs\n", kItems, kRuns);
    std::printf("  book's listing   %7.2f ms (cpu %7.2f), %zu items\n", store.wall, store.cpu, listed);
    std::printf("  dialog's listing %7.2f ms (cpu %7.2f), %d rows\n", shown.wall, shown.cpu,
                dialog.list()->topLevelItemCount());
    std::printf("  added by the dialog %.2f ms (cpu %.2f)\n", shown.wall - store.wall, shown.cpu - store.cpu);
    return 0;
}
