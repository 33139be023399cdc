// Schedule book figures: save, load and listing one day for books of 1,000,
// 10,000 and 100,000 items with Korean memos, each the median of several runs,
// and how the 100,000 figure grows over the 10,000 one (near 10 is linear).
#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <time.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string_view>
#include <vector>

#include "bench/timing.h"
#include "encoding/cp949.h"
#include "treestore/app_store.h"

namespace {

std::unique_ptr<Class_TIKOSCHEDULE_TOP> MakeBook(int items, std::mt19937& random) {
    const std::string memo =
        encoding::Utf8ToCp949("주간 회의 준비와 자료 정리, 오후 세시 본관 이층").value_or("memo");
    auto book = CTIKOScheduleList_Mgr().BuildDefaultTree();
    const std::int64_t start = 1'609'459'200;  // 2021-01-01
    CLumTreeNode* last = nullptr;
    for (int i = 0; i < items; ++i) {
        auto* item = new Class_TIKOSCHEDULE;
        item->strGuid.Set(CLumTreeMgr::NewItemGuid());
        item->tStamp = start;
        item->tWhen = start + 60 * std::uniform_int_distribution<std::int64_t>(0, 365 * 24 * 60)(random);
        int kind = std::uniform_int_distribution<int>(0, 99)(random);
        item->nRepeat = kind < 97 ? kRepeatOnce : kind - 96;
        item->bAlarm5Min = (i % 3) == 0;
        item->strMemo.Set(memo);
        if (last == nullptr) {
            book->AppendChild(item);
        } else {
            last->InsertAfter(item);
        }
        last = item;
    }
    return book;
}

struct Figures {
    Median save, load, list;
};

Figures Measure(int items, const std::filesystem::path& dir) {
    std::mt19937 random(items);
    auto book = MakeBook(items, random);
    const int runs = items >= 1'000'000 ? 3 : items >= 100'000 ? 5 : 11;
    Figures f{};
    f.save = MedianMs(runs, [&] {
        if (!SaveScheduleBook(*book, dir))
            std::fprintf(stderr, "save failed\n");
    });
    f.load = MedianMs(runs, [&] { LoadScheduleBook(dir); });
    // Listing as the program does it: on a book loaded from its file, which
    // lists the items by tWhen once any day has been listed before.
    book->ListDay({2021, 1, 1});
    SaveScheduleBook(*book, dir);
    book = LoadScheduleBook(dir);
    std::size_t listed = 0;
    f.list = MedianMs(runs, [&] { listed = book->ListDay({2021, 6, 15}).size(); });
    std::printf(
        "%7d items  save %8.2f ms (cpu %8.2f)  load %8.2f ms (cpu %8.2f)  list day %7.2f ms (cpu %7.2f), %zu "
        "listed\n",
        items, f.save.wall, f.save.cpu, f.load.wall, f.load.cpu, f.list.wall, f.list.cpu, listed);
    return f;
}

}  // namespace

void PrintRatio(const char* what, const Figures& big, const Figures& small) {
    std::printf("ratio %s (wall, cpu):  save %.1f, %.1f  load %.1f, %.1f  list day %.1f, %.1f\n", what,
                big.save.wall / small.save.wall, big.save.cpu / small.save.cpu,
                big.load.wall / small.load.wall, big.load.cpu / small.load.cpu,
                big.list.wall / small.list.wall, big.list.cpu / small.list.cpu);
}

int main(int argc, char** argv) {
    // Keep freed memory in the process, so that every run measures the store
    // rather than the kernel faulting pages in again after a trim.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    std::string pattern = (std::filesystem::temp_directory_path() / "treestore-bench-XXXXXX").string();
    const std::filesystem::path dir = ::mkdtemp(pattern.data());
    std::printf("schedule book, median of runs\n");
    Measure(1'000, dir);
    Figures ten = Measure(10'000, dir);
    Figures hundred = Measure(100'000, dir);
    PrintRatio("100,000 / 10,000", hundred, ten);
    // Past the processor caches both sizes run from main memory: with
    // --million the growth from 100,000 to 1,000,000 items shows the algorithm
    // alone.
    if (argc > 1 && std::string_view(argv[1]) == "--million")
        PrintRatio("1,000,000 / 100,000", Measure(1'000'000, dir), hundred);
    std::filesystem::remove_all(dir);
    return 0;
}
