// Reads arbitrary bytes as a world table: whatever is read must hold together, and searching it
// and showing its regions must not go wrong.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "world/info_text.h"
#include "world/world_table_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const world::WorldTable table = world::ParseWorldTable(input);
    if (table.groups.size() > world::kWorldGroupCount || table.regions.Size() > world::RegionTable::kCapacity)
        std::abort();
    if ((table.damage == world::TableDamage::kNone) != (table.damagedLine == 0))
        std::abort();
    int next = 1;
    for (const world::WorldGroup& group : table.groups) {
        if (group.first != next || group.count < 0 || group.name.size() > world::kMaxNameBytes)
            std::abort();
        next += group.count;
    }
    if (next != table.regions.Size())
        std::abort();
    // A few of the input's bytes as the search text; any instant the bytes name.
    const std::string_view needle = input.substr(0, size % 5);
    if (std::optional<world::SearchHit> hit = world::FindRegion(table, needle)) {
        const world::Region* region = table.regions.Find(hit->index);
        if (region == nullptr || !world::Cp949Contains(region->name, needle))
            std::abort();
    }
    // A saved clock's index found again by name: the index itself, or an entry of that name.
    const int saved = static_cast<int>(size % 7) - 1;
    const int resolved = world::ResolveRegionIndex(table, saved, needle);
    if (resolved != saved && table.regions.Find(resolved)->name != needle)
        std::abort();
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < size && i < 8; ++i)
        bits = bits * 256 + data[i];
    const auto korean = static_cast<int64_t>(bits % (std::uint64_t{1} << 40));
    for (int index = 0; index < table.regions.Size() && index < 16; ++index) {
        const world::Region* region = table.regions.Find(index);
        if (region->name.size() > world::kMaxNameBytes)
            std::abort();
        world::RegionClockSeconds(region, korean);
        world::InformationText(*region, korean);
    }
    return 0;
}
