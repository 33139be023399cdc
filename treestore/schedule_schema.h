#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "treestore/store_root.h"
#include "treestore/tree_mgr.h"
#include "treestore/tree_node.h"

// The schedule book ("TIKo.sche"): a root whose children are the items.

enum : int {
    kScheduleTop = 0,
    kScheduleItem = 1,
};

// Compare modes of an item.
enum : int {
    kCompareWhen = 0,       // by tWhen
    kCompareTimeOfDay = 1,  // by local hour and minute of tWhen
};

// Repeat kinds (nRepeat).
enum : int {
    kRepeatOnce = 0,
    kRepeatDaily = 1,
    kRepeatWeekly = 2,
    kRepeatMonthly = 3,
};

// A calendar date (month 1-12, day 1-31).
struct CLumDate {
    int nYear = 1970;
    int nMonth = 1;
    int nDay = 1;
};

class Class_TIKOSCHEDULE : public CLumTreeNode {
public:
    Class_TIKOSCHEDULE();

    // Full item copies (base and item fields), detached, without children.
    CLumTreeNode* CloneWithChildren() const override;
    CLumTreeNode* CloneNode() const override;
    bool ParsePayload(std::string_view payload) override;
    std::string BuildPayload() const override;
    // kCompareWhen, kCompareTimeOfDay; 0 for any other mode or another class.
    int Compare(const CLumTreeNode& other, int mode) const override;

    // Whether the item is listed on `day` (local time of tWhen).
    bool IsOnDay(const CLumDate& day) const;
    // The item as a new detached copy of its own class.
    std::unique_ptr<Class_TIKOSCHEDULE> Copy() const;

    CLumText strGuid;
    std::atomic<std::int64_t> tStamp{0};
    std::atomic<std::int64_t> tWhen{0};  // seconds since 1970 UTC; seconds part 0
    std::atomic<std::int32_t> nRepeat{kRepeatOnce};
    std::atomic<bool> bAlarmOnTime{false};
    std::atomic<bool> bAlarm1Min{false};
    std::atomic<bool> bAlarm5Min{false};
    std::atomic<bool> bAlarm10Min{false};
    std::atomic<bool> bAlarm15Min{false};
    std::atomic<bool> bAlarm30Min{false};
    std::atomic<bool> bAlarm45Min{false};
    std::atomic<bool> bAlarm60Min{false};
    CLumText strMemo;

    // Lead times in minutes of the eight alarm flags, in flag order.
    static constexpr int kAlarmLeadMinutes[8] = {0, 1, 5, 10, 15, 30, 45, 60};
    // The flag for lead index 0-7 of kAlarmLeadMinutes.
    std::atomic<bool>& AlarmFlag(int index);
    const std::atomic<bool>& AlarmFlag(int index) const;
};

// The root of the book. Every change to the item list and every walk over it
// from a thread that does not own all changes goes through these members,
// which hold the list lock for the moment they run.
// ListMutex is the item list's lock: the members below take it themselves;
// hold it yourself only around direct use of the child links, briefly.
class Class_TIKOSCHEDULE_TOP : public CLumStoreRoot {
public:
    Class_TIKOSCHEDULE_TOP();

    // Appends an item (the book takes it); an empty strGuid gets a new one.
    // Returns the item, which stays valid until it is removed.
    Class_TIKOSCHEDULE* AddItem(std::unique_ptr<Class_TIKOSCHEDULE> item);
    // Unlinks and destroys the first item with `guid`; false if none.
    bool RemoveItem(std::string_view guid);
    void RemoveAllItems();
    // A copy of the first item with `guid`, or null.
    std::unique_ptr<Class_TIKOSCHEDULE> CopyItem(std::string_view guid) const;
    // Calls `visit` for each item in list order with the lock held; `visit`
    // must not call back into the book. Other children (plain nodes of unknown
    // type ids) are skipped.
    void ForEachItem(const std::function<void(const Class_TIKOSCHEDULE&)>& visit) const;
    // The items of `day`: sorts the book by tWhen (the stored order changes),
    // then returns copies of the day's items by time of day, stable.
    std::vector<std::unique_ptr<Class_TIKOSCHEDULE>> ListDay(const CLumDate& day);
    std::size_t ItemCount() const;

private:
    struct Keyed {
        std::int64_t when;
        std::int32_t repeat;
        Class_TIKOSCHEDULE* item;
    };
    // SortChildren(kCompareWhen) in fewer memory reads, giving the items with
    // their keys in the new order; the lock is held.
    std::vector<Keyed> SortByWhen();
};

// First child of `root` that is an item with this strGuid (byte for byte), or
// null. The caller holds the book's lock while it uses the result.
Class_TIKOSCHEDULE* FindScheduleItem(const CLumTreeNode& root, std::string_view guid);

class CTIKOScheduleList_Mgr : public CLumTreeMgr {
public:
    // Type id 0 makes the root, 1 an item, others a plain node.
    CLumTreeNode* CreateNode(int type) override;
    // The root alone.
    std::unique_ptr<Class_TIKOSCHEDULE_TOP> BuildDefaultTree();
};
