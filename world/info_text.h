#pragma once
// The information text of the world time dialog, as a pure function of the region and the instant.

#include <cstdint>
#include <string>

#include "world/region_table.h"

namespace world {

// UTF-8. Daylight saving is judged at the region's standard time at `koreanSeconds`
// (UTC seconds + 32,400), the same instant its clock uses.
std::string InformationText(const Region& region, int64_t koreanSeconds);

}  // namespace world
