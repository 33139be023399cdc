#pragma once
// The region table of the world clocks and the time a region's clock shows.

#include <cstdint>
#include <string>
#include <vector>

#include "calendar/civil_time.h"

namespace world {

struct Region {
    std::string name;       // cp949, as in the table file
    int32_t offset = 0;     // minutes: the region's standard time minus Korean standard time
    int32_t startRule = 0;  // 0: no daylight saving; -1: not known whether it has any
    int32_t endRule = 0;

    friend bool operator==(const Region&, const Region&) = default;
};

// Entry 0 is always "UTC"; the table file's regions follow from entry 1 in file order.
class RegionTable {
public:
    static constexpr int kCapacity = 10000;

    RegionTable();

    int Size() const { return static_cast<int>(entries_.size()); }
    // Null for an index outside the table (-1, "no region", included).
    const Region* Find(int index) const;
    // False, and nothing added, when the table is full.
    bool Append(Region region);

private:
    std::vector<Region> entries_;
};

// The region's standard time at a Korean time, as seconds to break down like UTC.
int64_t RegionStandardSeconds(const Region& region, int64_t koreanSeconds);

// What the region's clock shows at a Korean time (UTC seconds + 32,400): shifted by the offset,
// plus an hour in daylight saving. Offset 0 is Korean time untested; no region is Korean time.
int64_t RegionClockSeconds(const Region* region, int64_t koreanSeconds);
calendar::CivilTime RegionClockTime(const Region* region, int64_t koreanSeconds);

}  // namespace world
