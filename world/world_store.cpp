#include "world/world_store.h"

#include <utility>

namespace world {

WorldStore::WorldStore(std::filesystem::path file) : file_(std::move(file)) {}

const WorldTable* WorldStore::Table() {
    if (const WorldTable* table = LoadedTable())
        return table;
    std::lock_guard<std::mutex> lock(loadMutex_);
    if (table_ == nullptr) {
        std::optional<WorldTable> read = LoadWorldTable(file_);
        if (!read)
            return nullptr;
        table_ = std::make_unique<const WorldTable>(std::move(*read));
        loaded_.store(table_.get(), std::memory_order_release);
    }
    return table_.get();
}

std::optional<Region> WorldStore::RegionAt(int index) {
    if (index == 0)
        return *RegionTable().Find(0);
    const WorldTable* table = Table();
    if (table == nullptr)
        return std::nullopt;
    const Region* region = table->regions.Find(index);
    if (region == nullptr)
        return std::nullopt;
    return *region;
}

void WorldStore::Select(int index, std::string cp949Name) {
    std::lock_guard<std::mutex> lock(selectionMutex_);
    selectedIndex_ = index;
    selectedName_ = std::move(cp949Name);
}

int WorldStore::SelectedIndex() const {
    std::lock_guard<std::mutex> lock(selectionMutex_);
    return selectedIndex_;
}

std::string WorldStore::SelectedName() const {
    std::lock_guard<std::mutex> lock(selectionMutex_);
    return selectedName_;
}

WorldStore& ProcessWorld() {
    static WorldStore store;
    return store;
}

}  // namespace world
