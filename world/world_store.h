#pragma once
// The process-wide world table and selected region, shared by the world time dialog and every
// clock that shows a region's time.

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "world/world_table_file.h"

namespace world {

class WorldStore {
public:
    // A relative path is taken in the working directory at the time of the first read.
    explicit WorldStore(std::filesystem::path file = kWorldTableFileName);

    WorldStore(const WorldStore&) = delete;
    WorldStore& operator=(const WorldStore&) = delete;

    // The table, read from the file by whoever needs it first (a restored world clock or the
    // dialog) and then kept for the rest of the run. Null while the file cannot be opened; the next
    // call tries again. Any thread; the table never changes once returned.
    const WorldTable* Table();
    // Without reading: null until some call of Table() has read the file.
    const WorldTable* LoadedTable() const { return loaded_.load(std::memory_order_acquire); }

    // A copy of a table entry, reading the table first if need be. Entry 0 ("UTC") needs no file.
    std::optional<Region> RegionAt(int index);

    // The selected region: -1 (none) until the dialog selects one.
    void Select(int index, std::string cp949Name);
    int SelectedIndex() const;
    std::string SelectedName() const;

private:
    const std::filesystem::path file_;
    std::mutex loadMutex_;
    std::unique_ptr<const WorldTable> table_;
    std::atomic<const WorldTable*> loaded_{nullptr};

    mutable std::mutex selectionMutex_;
    int selectedIndex_ = -1;
    std::string selectedName_;
};

// The one store of LumClient, reading "세계시간표.txt" in the working directory.
WorldStore& ProcessWorld();

}  // namespace world
