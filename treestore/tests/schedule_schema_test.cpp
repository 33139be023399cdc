#include "treestore/schedule_schema.h"

#include <gtest/gtest.h>

#include <time.h>

#include <thread>

#include "tests/support/test_wait.h"
#include "tree_test_util.h"

namespace {

class ScheduleSchema : public testing::Test {
protected:
    // Korean standard time, no daylight saving.
    ScopedTimeZone m_tz{"KST-9"};

    static std::int64_t Local(int y, int mo, int d, int h, int mi) {
        struct tm t {};
        t.tm_year = y - 1900;
        t.tm_mon = mo - 1;
        t.tm_mday = d;
        t.tm_hour = h;
        t.tm_min = mi;
        t.tm_isdst = -1;
        return static_cast<std::int64_t>(mktime(&t));
    }

    static std::unique_ptr<Class_TIKOSCHEDULE> Item(std::int64_t when, int repeat, std::string memo = "") {
        auto item = std::make_unique<Class_TIKOSCHEDULE>();
        item->tWhen = when;
        item->nRepeat = repeat;
        item->strMemo.Set(memo);
        return item;
    }

    static std::vector<std::string> Memos(const std::vector<std::unique_ptr<Class_TIKOSCHEDULE>>& items) {
        std::vector<std::string> memos;
        for (const auto& item : items)
            memos.push_back(item->strMemo.Get());
        return memos;
    }
};

TEST_F(ScheduleSchema, WeeklyItemIsListedOnEveryMondayOnly) {
    auto item = Item(Local(2002, 5, 20, 9, 30), kRepeatWeekly);
    EXPECT_TRUE(item->IsOnDay({2002, 5, 20}));
    EXPECT_TRUE(item->IsOnDay({2002, 5, 27}));
    EXPECT_TRUE(item->IsOnDay({2002, 6, 3}));
    EXPECT_TRUE(item->IsOnDay({1999, 12, 27}));
    EXPECT_FALSE(item->IsOnDay({2002, 5, 21}));
}

TEST_F(ScheduleSchema, DayMembershipByRepeatKind) {
    auto once = Item(Local(2002, 5, 20, 23, 59), kRepeatOnce);
    EXPECT_TRUE(once->IsOnDay({2002, 5, 20}));
    EXPECT_FALSE(once->IsOnDay({2002, 5, 21}));
    EXPECT_FALSE(once->IsOnDay({2003, 5, 20}));

    auto monthly = Item(Local(2002, 1, 31, 8, 0), kRepeatMonthly);
    EXPECT_TRUE(monthly->IsOnDay({2002, 7, 31}));
    EXPECT_FALSE(monthly->IsOnDay({2002, 6, 30}));
    EXPECT_FALSE(monthly->IsOnDay({2002, 7, 30}));

    EXPECT_TRUE(Item(0, kRepeatDaily)->IsOnDay({2040, 2, 29}));
    auto odd = Item(Local(2002, 5, 20, 9, 30), 7);
    EXPECT_FALSE(odd->IsOnDay({2002, 5, 20}));
    EXPECT_FALSE(odd->IsOnDay({2002, 5, 27}));
}

TEST_F(ScheduleSchema, TimesAfter2038AreKept) {
    auto item = Item(Local(2050, 3, 1, 12, 0), kRepeatOnce);
    EXPECT_TRUE(item->IsOnDay({2050, 3, 1}));
    Class_TIKOSCHEDULE back;
    const std::string payload = item->BuildPayload();
    back.ParsePayload(payload.substr(1, payload.size() - 2));
    EXPECT_EQ(back.tWhen, item->tWhen);
}

TEST_F(ScheduleSchema, CompareModes) {
    auto early = Item(Local(2002, 5, 21, 7, 5), kRepeatOnce);
    auto late = Item(Local(2002, 5, 20, 7, 10), kRepeatOnce);
    EXPECT_EQ(early->Compare(*late, kCompareWhen), 1);
    EXPECT_EQ(late->Compare(*early, kCompareWhen), -1);
    EXPECT_EQ(early->Compare(*late, kCompareTimeOfDay), -1);
    EXPECT_EQ(late->Compare(*early, kCompareTimeOfDay), 1);
    auto sameMinute = Item(Local(1999, 1, 1, 7, 5), kRepeatOnce);
    EXPECT_EQ(early->Compare(*sameMinute, kCompareTimeOfDay), 0);
    EXPECT_EQ(early->Compare(*late, 2), 0);
}

TEST_F(ScheduleSchema, ListDaySortsByTimeOfDayStablyAndReordersTheBook) {
    Class_TIKOSCHEDULE_TOP book;
    book.AddItem(Item(Local(2002, 5, 20, 7, 10), kRepeatOnce, "one-off 07:10"));
    book.AddItem(Item(Local(2002, 5, 21, 9, 0), kRepeatOnce, "other day"));
    book.AddItem(Item(Local(2001, 1, 1, 7, 5), kRepeatDaily, "daily 07:05"));
    book.AddItem(Item(Local(2001, 1, 2, 12, 0), kRepeatDaily, "daily noon A"));
    book.AddItem(Item(Local(2001, 1, 1, 12, 0), kRepeatDaily, "daily noon B"));

    auto day = book.ListDay({2002, 5, 20});
    // Noon B is the earlier tWhen, so after the book's sort it comes first.
    EXPECT_EQ(Memos(day),
              (std::vector<std::string>{"daily 07:05", "one-off 07:10", "daily noon B", "daily noon A"}));

    std::vector<std::string> stored;
    book.ForEachItem([&](const Class_TIKOSCHEDULE& item) { stored.push_back(item.strMemo.Get()); });
    EXPECT_EQ(stored, (std::vector<std::string>{"daily 07:05", "daily noon B", "daily noon A",
                                                "one-off 07:10", "other day"}));
    // The list holds copies.
    day.front()->strMemo.Set("changed");
    EXPECT_NE(book.CopyItem(day.front()->strGuid.Get())->strMemo.Get(), "changed");
}

TEST_F(ScheduleSchema, ItemsAreFoundByGuidAndRemovedByIt) {
    Class_TIKOSCHEDULE_TOP book;
    Class_TIKOSCHEDULE* first = book.AddItem(Item(0, kRepeatDaily, "first"));
    auto keyed = Item(0, kRepeatDaily, "second");
    keyed->strGuid.Set("0123456789abcdef0123456789abcdef");
    book.AddItem(std::move(keyed));
    EXPECT_EQ(first->strGuid.Get().size(), 32u);  // given on adding
    EXPECT_EQ(FindScheduleItem(book, first->strGuid.Get()), first);
    EXPECT_EQ(book.CopyItem("0123456789abcdef0123456789abcdef")->strMemo.Get(), "second");
    EXPECT_EQ(book.CopyItem("0123456789ABCDEF0123456789ABCDEF"), nullptr);  // byte for byte
    EXPECT_TRUE(book.RemoveItem(first->strGuid.Get()));
    EXPECT_FALSE(book.RemoveItem("missing"));
    EXPECT_EQ(book.ItemCount(), 1u);
    book.RemoveAllItems();
    EXPECT_EQ(book.GetFirstChild(), nullptr);
}

TEST_F(ScheduleSchema, ItemCopiesCarryEveryField) {
    auto item = Item(Local(2002, 5, 20, 9, 30), kRepeatMonthly, "\xc0\xcf\xc1\xa4");
    item->strGuid.Set("g");
    item->tStamp = 42;
    item->bAlarm5Min = true;
    item->bAlarm60Min = true;
    std::unique_ptr<CLumTreeNode> clone(item->CloneNode());
    auto* copy = dynamic_cast<Class_TIKOSCHEDULE*>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->BuildPayload(), item->BuildPayload());
    EXPECT_EQ(copy->GetTag(), "TIKOSCHEDULE");
    std::unique_ptr<CLumTreeNode> full(item->CloneWithChildren());
    EXPECT_EQ(dynamic_cast<Class_TIKOSCHEDULE&>(*full).BuildPayload(), item->BuildPayload());
}

TEST_F(ScheduleSchema, BookWithOneItemIsTwoRecords) {
    Class_TIKOSCHEDULE_TOP book;
    auto item = Item(1021854600, kRepeatWeekly, "memo");
    item->strGuid.Set("0123456789abcdef0123456789abcdef");
    item->bAlarmOnTime = true;
    book.AddItem(std::move(item));
    std::string text;
    book.WriteToString(text, 0);
    EXPECT_EQ(text,
              "0000001e000:000[0000000cTIKO_VER_3_5]\n"
              "000000aa001:001[000000200123456789abcdef0123456789abcdef0000000100000000a10218546000000000"
              "1200000001100000001000000001000000001000000001000000001000000001000000001000000004memo]\n");
    std::unique_ptr<CLumTreeNode> back = CTIKOScheduleList_Mgr().ParseTree(text);
    ASSERT_NE(back, nullptr);
    std::string again;
    back->WriteToString(again, 0);
    EXPECT_EQ(again, text);
}

TEST_F(ScheduleSchema, WalkersAndEditorsOnOtherThreadsDoNotRace) {
    // Run under ThreadSanitizer this catches unguarded list or text access.
    Class_TIKOSCHEDULE_TOP book;
    for (int i = 0; i < 50; ++i)
        book.AddItem(Item(Local(2002, 5, 20, i % 24, 0), kRepeatDaily, "m"));
    std::atomic<bool> done{false};
    std::thread walker([&] {
        while (!done) {
            book.ForEachItem([](const Class_TIKOSCHEDULE& item) {
                volatile bool on = item.bAlarmOnTime;
                std::string memo = item.strMemo.Get();
                (void)on;
            });
        }
    });
    for (int round = 0; round < 200; ++round) {
        Class_TIKOSCHEDULE* added =
            book.AddItem(Item(Local(2002, 5, 20, 7, round % 60), kRepeatDaily, "new"));
        added->strMemo.Set("edited " + std::to_string(round));
        added->bAlarmOnTime = true;
        book.ListDay({2002, 5, 20});
        book.RemoveItem(added->strGuid.Get());
    }
    done = true;
    Bounded([&] { walker.join(); });
    EXPECT_EQ(book.ItemCount(), 50u);
}

}  // namespace
