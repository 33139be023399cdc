#include "world/region_table.h"

#include <utility>

#include "world/dst_rules.h"

namespace world {

RegionTable::RegionTable() {
    entries_.reserve(64);
    entries_.push_back(Region{"UTC", -540, 0, 0});
}

const Region* RegionTable::Find(int index) const {
    if (index < 0 || index >= Size())
        return nullptr;
    return &entries_[static_cast<size_t>(index)];
}

bool RegionTable::Append(Region region) {
    if (Size() >= kCapacity)
        return false;
    entries_.push_back(std::move(region));
    return true;
}

int64_t RegionStandardSeconds(const Region& region, int64_t koreanSeconds) {
    return koreanSeconds + int64_t{region.offset} * 60;
}

int64_t RegionClockSeconds(const Region* region, int64_t koreanSeconds) {
    if (region == nullptr || region->offset == 0)
        return koreanSeconds;
    const int64_t standard = RegionStandardSeconds(*region, koreanSeconds);
    if (IsDaylightSaving(region->startRule, region->endRule, calendar::CivilFromUnix(standard)))
        return standard + 3600;
    return standard;
}

calendar::CivilTime RegionClockTime(const Region* region, int64_t koreanSeconds) {
    return calendar::CivilFromUnix(RegionClockSeconds(region, koreanSeconds));
}

}  // namespace world
