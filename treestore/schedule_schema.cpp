#include "treestore/schedule_schema.h"

#include <time.h>

#include <algorithm>
#include <utility>

#include "calendar/civil_time.h"
#include "treestore/record_format.h"

using treerecord::PayloadReader;
using treerecord::PayloadWriter;

namespace {

struct tm LocalTime(std::int64_t seconds) {
    time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    if (localtime_r(&t, &local) == nullptr)
        local = {};
    return local;
}

// Seconds since 1970 of the date's midnight, as if it were UTC.
std::int64_t MidnightUtc(const CLumDate& day) {
    return calendar::UnixFromCivil(calendar::MakeCivilTime(day.nYear, day.nMonth, day.nDay));
}

// 0 = Sunday, as tm_wday.
int WeekDay(const CLumDate& day) {
    return calendar::DayOfWeek(day.nYear, day.nMonth, day.nDay);
}

int MinuteOfDay(std::int64_t seconds) {
    struct tm local = LocalTime(seconds);
    return local.tm_hour * 60 + local.tm_min;
}

// Whether `at` lies within two days of `day` in UTC. No zone is that far from
// UTC, so an instant outside cannot fall on the day in local time; most of a
// book is ruled out without a time zone conversion.
bool NearDay(std::int64_t at, const CLumDate& day) {
    constexpr std::int64_t kDay = 86400;
    const std::int64_t midnight_utc = MidnightUtc(day);
    return at >= midnight_utc - 2 * kDay && at < midnight_utc + 3 * kDay;
}

int Sign(std::int64_t a, std::int64_t b) {
    return (a > b) - (a < b);
}

}  // namespace

Class_TIKOSCHEDULE::Class_TIKOSCHEDULE() {
    SetType(kScheduleItem);
    SetTag("TIKOSCHEDULE");
}

std::unique_ptr<Class_TIKOSCHEDULE> Class_TIKOSCHEDULE::Copy() const {
    auto copy = std::make_unique<Class_TIKOSCHEDULE>();
    CopyBaseFieldsTo(*copy);
    copy->strGuid = strGuid;
    copy->tStamp = tStamp.load();
    copy->tWhen = tWhen.load();
    copy->nRepeat = nRepeat.load();
    for (int i = 0; i < 8; ++i)
        copy->AlarmFlag(i) = AlarmFlag(i).load();
    copy->strMemo = strMemo;
    return copy;
}

CLumTreeNode* Class_TIKOSCHEDULE::CloneWithChildren() const {
    return Copy().release();
}

CLumTreeNode* Class_TIKOSCHEDULE::CloneNode() const {
    return Copy().release();
}

std::atomic<bool>& Class_TIKOSCHEDULE::AlarmFlag(int index) {
    return const_cast<std::atomic<bool>&>(std::as_const(*this).AlarmFlag(index));
}

const std::atomic<bool>& Class_TIKOSCHEDULE::AlarmFlag(int index) const {
    switch (index) {
        case 0:
            return bAlarmOnTime;
        case 1:
            return bAlarm1Min;
        case 2:
            return bAlarm5Min;
        case 3:
            return bAlarm10Min;
        case 4:
            return bAlarm15Min;
        case 5:
            return bAlarm30Min;
        case 6:
            return bAlarm45Min;
        default:
            return bAlarm60Min;
    }
}

bool Class_TIKOSCHEDULE::ParsePayload(std::string_view payload) {
    PayloadReader reader(payload);
    reader.Text(strGuid);
    reader.Time(tStamp);
    reader.Time(tWhen);
    reader.Int(nRepeat);
    for (int i = 0; i < 8; ++i)
        reader.Byte(AlarmFlag(i));
    reader.Text(strMemo);
    return true;
}

std::string Class_TIKOSCHEDULE::BuildPayload() const {
    PayloadWriter writer;
    writer.Text(strGuid).Time(tStamp).Time(tWhen).Int(nRepeat);
    for (int i = 0; i < 8; ++i)
        writer.Byte(AlarmFlag(i));
    writer.Text(strMemo);
    return writer.Finish();
}

int Class_TIKOSCHEDULE::Compare(const CLumTreeNode& other, int mode) const {
    const auto* item = dynamic_cast<const Class_TIKOSCHEDULE*>(&other);
    if (item == nullptr)
        return 0;
    switch (mode) {
        case kCompareWhen:
            return Sign(tWhen, item->tWhen);
        case kCompareTimeOfDay:
            return Sign(MinuteOfDay(tWhen), MinuteOfDay(item->tWhen));
        default:
            return 0;
    }
}

bool Class_TIKOSCHEDULE::IsOnDay(const CLumDate& day) const {
    const std::int64_t at = tWhen;
    const int repeat = nRepeat;
    if (repeat == kRepeatOnce && !NearDay(at, day))
        return false;
    struct tm when = LocalTime(at);
    switch (repeat) {
        case kRepeatOnce:
            return when.tm_year + 1900 == day.nYear && when.tm_mon + 1 == day.nMonth &&
                   when.tm_mday == day.nDay;
        case kRepeatDaily:
            return true;
        case kRepeatWeekly:
            return when.tm_wday == WeekDay(day);
        case kRepeatMonthly:
            return when.tm_mday == day.nDay;
        default:
            return false;
    }
}

Class_TIKOSCHEDULE_TOP::Class_TIKOSCHEDULE_TOP() {
    SetType(kScheduleTop);
    SetTag("TIKOSCHEDULE_TOP");
}

Class_TIKOSCHEDULE* Class_TIKOSCHEDULE_TOP::AddItem(std::unique_ptr<Class_TIKOSCHEDULE> item) {
    if (item->strGuid.Equals(""))
        item->strGuid.Set(CLumTreeMgr::NewItemGuid());
    std::lock_guard lock(ListMutex());
    Class_TIKOSCHEDULE* added = item.release();
    AppendChild(added);
    return added;
}

bool Class_TIKOSCHEDULE_TOP::RemoveItem(std::string_view guid) {
    std::unique_ptr<Class_TIKOSCHEDULE> removed;
    {
        std::lock_guard lock(ListMutex());
        Class_TIKOSCHEDULE* item = FindScheduleItem(*this, guid);
        if (item == nullptr)
            return false;
        item->Unlink();
        removed.reset(item);
    }
    return true;
}

void Class_TIKOSCHEDULE_TOP::RemoveAllItems() {
    CLumTreeNode* items = nullptr;
    {
        std::lock_guard lock(ListMutex());
        items = GetFirstChild();
        SetFirstChild(nullptr);
    }
    if (items != nullptr) {
        items->SetParent(nullptr);
        delete items;  // the whole chain
    }
}

std::unique_ptr<Class_TIKOSCHEDULE> Class_TIKOSCHEDULE_TOP::CopyItem(std::string_view guid) const {
    std::lock_guard lock(ListMutex());
    Class_TIKOSCHEDULE* item = FindScheduleItem(*this, guid);
    return item != nullptr ? item->Copy() : nullptr;
}

void Class_TIKOSCHEDULE_TOP::ForEachItem(const std::function<void(const Class_TIKOSCHEDULE&)>& visit) const {
    std::lock_guard lock(ListMutex());
    for (const CLumTreeNode* child = GetFirstChild(); child != nullptr; child = child->GetNext()) {
        if (const auto* item = dynamic_cast<const Class_TIKOSCHEDULE*>(child))
            visit(*item);
    }
}

std::vector<std::unique_ptr<Class_TIKOSCHEDULE>> Class_TIKOSCHEDULE_TOP::ListDay(const CLumDate& day) {
    struct Entry {
        int minute;
        std::unique_ptr<Class_TIKOSCHEDULE> item;
    };
    std::vector<Entry> entries;
    {
        std::lock_guard lock(ListMutex());
        for (const Keyed& key : SortByWhen()) {
            // IsOnDay's first test, on the copied keys: far-off one-time items
            // are not visited at all.
            if (key.repeat == kRepeatOnce && !NearDay(key.when, day))
                continue;
            if (key.item->IsOnDay(day))
                entries.push_back({MinuteOfDay(key.when), key.item->Copy()});
        }
    }
    // Time of day computed once per item: the same order as sorting by
    // kCompareTimeOfDay.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.minute < b.minute; });
    std::vector<std::unique_ptr<Class_TIKOSCHEDULE>> day_items;
    day_items.reserve(entries.size());
    for (Entry& entry : entries)
        day_items.push_back(std::move(entry.item));
    return day_items;
}

std::vector<Class_TIKOSCHEDULE_TOP::Keyed> Class_TIKOSCHEDULE_TOP::SortByWhen() {
    // Same order as SortChildren(kCompareWhen), with the keys read once into
    // one array instead of chasing two nodes per comparison.
    std::vector<Keyed> keyed;
    for (CLumTreeNode* child = GetFirstChild(); child != nullptr; child = child->GetNext()) {
        auto* item = dynamic_cast<Class_TIKOSCHEDULE*>(child);
        if (item == nullptr) {
            // Other nodes compare equal to items but not among themselves: the
            // generic sort, and keys read afterwards.
            SortChildren(kCompareWhen);
            keyed.clear();
            for (CLumTreeNode* c = GetFirstChild(); c != nullptr; c = c->GetNext()) {
                if (auto* i = dynamic_cast<Class_TIKOSCHEDULE*>(c))
                    keyed.push_back({i->tWhen, i->nRepeat, i});
            }
            return keyed;
        }
        keyed.push_back({item->tWhen, item->nRepeat, item});
    }
    auto earlier = [](const Keyed& a, const Keyed& b) { return a.when < b.when; };
    // A book listed before is in order already: nothing to move.
    if (std::is_sorted(keyed.begin(), keyed.end(), earlier))
        return keyed;
    std::stable_sort(keyed.begin(), keyed.end(), earlier);
    std::vector<CLumTreeNode*> order;
    order.reserve(keyed.size());
    for (const Keyed& entry : keyed)
        order.push_back(entry.item);
    SetChildOrder(order);
    return keyed;
}

std::size_t Class_TIKOSCHEDULE_TOP::ItemCount() const {
    std::size_t count = 0;
    ForEachItem([&count](const Class_TIKOSCHEDULE&) { ++count; });
    return count;
}

Class_TIKOSCHEDULE* FindScheduleItem(const CLumTreeNode& root, std::string_view guid) {
    for (CLumTreeNode* child = root.GetFirstChild(); child != nullptr; child = child->GetNext()) {
        auto* item = dynamic_cast<Class_TIKOSCHEDULE*>(child);
        if (item != nullptr && item->strGuid.Equals(guid))
            return item;
    }
    return nullptr;
}

CLumTreeNode* CTIKOScheduleList_Mgr::CreateNode(int type) {
    switch (type) {
        case kScheduleTop:
            return new Class_TIKOSCHEDULE_TOP;
        case kScheduleItem:
            return new Class_TIKOSCHEDULE;
        default:
            return CLumTreeMgr::CreateNode(type);
    }
}

std::unique_ptr<Class_TIKOSCHEDULE_TOP> CTIKOScheduleList_Mgr::BuildDefaultTree() {
    return std::make_unique<Class_TIKOSCHEDULE_TOP>();
}
