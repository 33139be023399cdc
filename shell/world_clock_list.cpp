#include "shell/world_clock_list.h"

#include <mutex>
#include <optional>
#include <utility>

#include "encoding/cp949.h"
#include "platform/clock.h"
#include "shell/tikodlg_timeslim.h"
#include "treestore/conf_schema.h"
#include "world/world_store.h"

namespace {

struct SavedClock {
    int zone;
    std::string name;
    int left;
    int top;
};

}  // namespace

CWorldClockList::CWorldClockList(const ShellContext& context, IMainFrame& frame, world::WorldStore& store)
    : context_(context), frame_(frame), store_(store) {}

CWorldClockList::~CWorldClockList() {
    DestroyAll();
}

CTikoDlg_TimeSlim* CWorldClockList::Make(int regionIndex, const std::string& cp949Name) {
    int index = regionIndex;
    if (index != -1) {
        if (const world::WorldTable* table = store_.Table())
            index = world::ResolveRegionIndex(*table, index, cp949Name);
    }
    auto* window = new CTikoDlg_TimeSlim(context_, frame_, index,
                                         QString::fromStdString(encoding::Cp949ToUtf8Lossy(cp949Name)));
    // A clock that opens or reopens takes no keyboard focus from the window in use.
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    if (index != -1) {
        // Until the table can be read (the file may come later) the clock shows Korean time.
        window->SetTimeSource([store = &store_, clock = context_.clock, index, name = cp949Name,
                               resolved = std::optional<int>()]() mutable {
            const int64_t korean =
                clock != nullptr ? clock->NowUtc().seconds + calendar::kKoreaUtcOffsetSeconds : 0;
            const world::WorldTable* table = store->Table();
            if (table == nullptr)
                return calendar::CivilFromUnix(korean);
            if (!resolved)
                resolved = world::ResolveRegionIndex(*table, index, name);
            return world::RegionClockTime(table->regions.Find(*resolved), korean);
        });
    }
    entries_.push_back(Entry{window, cp949Name});
    return window;
}

CTikoDlg_TimeSlim* CWorldClockList::Open(int regionIndex, const QString& name) {
    const std::string cp949 = encoding::Utf8ToCp949(name.toStdString()).value_or(name.toStdString());
    CTikoDlg_TimeSlim* window = Make(regionIndex, cp949);
    if (Class_TIKOCONF_WDPROP_WORLDCLOCKS* node =
            context_.conf != nullptr ? context_.conf->WorldClocks() : nullptr) {
        int left = node->nNextLeft.load();
        int top = node->nNextTop.load();
        const int width = node->nWidth.load();
        const int height = node->nHeight.load();
        if (left != 0 || top != 0 || left + width != 0 || top + height != 0) {
            left += kCascadeStep;
            top += kCascadeStep;
        }
        window->SetScale(node->fScale.load());
        window->move(left, top);
        node->nNextLeft.store(left);
        node->nNextTop.store(top);
    }
    window->show();
    window->raise();
    return window;
}

CTikoDlg_TimeSlim* CWorldClockList::Restore(int regionIndex, const std::string& cp949Name, int left,
                                            int top) {
    CTikoDlg_TimeSlim* window = Make(regionIndex, cp949Name);
    // The scale applies whether or not the clocks stay on top, so a clock reopens as it was.
    if (const Class_TIKOCONF_WDPROP_WORLDCLOCKS* node =
            context_.conf != nullptr ? context_.conf->WorldClocks() : nullptr)
        window->SetScale(node->fScale.load());
    if (left != kUnplaced && top != kUnplaced)
        window->move(left, top);
    window->show();
    window->raise();
    return window;
}

bool CWorldClockList::RestoreSaved() {
    Class_TIKOCONF_WDPROP_WORLDCLOCKS* node =
        context_.conf != nullptr ? context_.conf->WorldClocks() : nullptr;
    if (node == nullptr)
        return true;
    std::vector<SavedClock> saved;
    {
        std::lock_guard<std::mutex> lock(context_.conf->ListMutex());
        for (CLumTreeNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNext()) {
            if (auto* clock = dynamic_cast<Class_TIKOCONF_WDPROP_WORLDCLOCK*>(child))
                saved.push_back(
                    {clock->nZone.load(), clock->strName.Get(), clock->nLeft.load(), clock->nTop.load()});
        }
        node->DeleteChildren();
    }
    bool regionsRead = true;
    for (const SavedClock& clock : saved) {
        if (clock.zone == kNoClock)
            continue;
        if (clock.zone > 0 && store_.Table() == nullptr)
            regionsRead = false;
        Restore(clock.zone, clock.name, clock.left, clock.top);
    }
    return regionsRead;
}

void CWorldClockList::Record() {
    Class_TIKOCONF_WDPROP_WORLDCLOCKS* node =
        context_.conf != nullptr ? context_.conf->WorldClocks() : nullptr;
    if (node == nullptr)
        return;
    std::lock_guard<std::mutex> lock(context_.conf->ListMutex());
    node->DeleteChildren();
    for (const Entry& entry : entries_) {
        if (!entry.window->isVisible())
            continue;
        auto* clock = new Class_TIKOCONF_WDPROP_WORLDCLOCK();
        clock->nZone.store(entry.window->regionIndex());
        clock->strName.Set(entry.cp949Name);
        clock->nLeft.store(entry.window->x());
        clock->nTop.store(entry.window->y());
        node->AppendChild(clock);
    }
}

bool CWorldClockList::CloseMenuTarget() {
    for (const Entry& entry : entries_) {
        if (entry.window->menuTarget()) {
            entry.window->hide();
            return true;
        }
    }
    return false;
}

void CWorldClockList::HideAll() {
    for (const Entry& entry : entries_)
        entry.window->hide();
}

void CWorldClockList::MarkMenuTarget(const CTikoDlg_TimeSlim* target) {
    for (const Entry& entry : entries_)
        entry.window->SetMenuTarget(entry.window == target);
}

void CWorldClockList::SetTransparency(bool on) {
    for (const Entry& entry : entries_)
        entry.window->SetTransparency(on);
}

void CWorldClockList::DestroyAll() {
    std::vector<Entry> entries = std::move(entries_);
    entries_.clear();
    for (const Entry& entry : entries)
        delete entry.window;
}

std::vector<CTikoDlg_TimeSlim*> CWorldClockList::Windows() const {
    std::vector<CTikoDlg_TimeSlim*> windows;
    for (const Entry& entry : entries_)
        windows.push_back(entry.window);
    return windows;
}
