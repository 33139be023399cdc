#pragma once
// The world table file "세계시간표.txt": cp949, whitespace-separated tokens. Eight groups, each a
// header "name count" followed by `count` region lines "name offset start-rule end-rule".

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "world/region_table.h"

namespace world {

inline constexpr int kWorldGroupCount = 8;
inline constexpr std::size_t kMaxNameBytes = 79;
// UTF-8 on disk, as every Linux file name.
inline constexpr const char* kWorldTableFileName = "세계시간표.txt";

struct WorldGroup {
    std::string name;  // cp949
    int first = 1;     // table index of its first region; its regions follow one another
    int count = 0;

    friend bool operator==(const WorldGroup&, const WorldGroup&) = default;
};

// Why reading stopped before the end of the eighth group.
enum class TableDamage {
    kNone,
    kTooFewGroups,    // the file ended before the eighth group header
    kShortGroup,      // the file ended inside a group
    kBadNumber,       // a count, offset or rule that is not a whole 32-bit number (or a negative count)
    kNameTooLong,     // a group or region name over 79 bytes
    kTooManyRegions,  // more than 9,999 regions
};

// A damaged file is read up to its first bad token: the groups and regions before it stay usable,
// a region whose line is cut short is dropped, and the rest of the file is ignored.
struct WorldTable {
    RegionTable regions;
    std::vector<WorldGroup> groups;
    TableDamage damage = TableDamage::kNone;
    int damagedLine = 0;  // 1-based line where reading stopped; 0 when undamaged
};

WorldTable ReadWorldTable(std::streambuf& in);
WorldTable ParseWorldTable(std::string_view bytes);
// Nullopt when the file cannot be opened for reading.
// The shipped table is some 20 KB; a file larger than this is not one.
inline constexpr std::size_t kWorldTableFileLimit = std::size_t{16} << 20;
std::optional<WorldTable> LoadWorldTable(const std::filesystem::path& file);

// Whether cp949 text contains `needle` starting at a character boundary (a double-byte
// character's second byte never starts a match). Case-sensitive.
bool Cp949Contains(std::string_view text, std::string_view needle);

struct SearchHit {
    int index = -1;  // table index of the region
    int group = -1;  // index into WorldTable::groups
};

// The first region, groups in order and regions in file order, whose name contains the cp949
// text; nullopt for no match or an empty text.
std::optional<SearchHit> FindRegion(const WorldTable& table, std::string_view cp949Text);

// The table index a saved world clock shows: its own index when that entry still has its name,
// otherwise the first entry of that name (a regenerated table moves entries), otherwise the index
// as saved.
int ResolveRegionIndex(const WorldTable& table, int index, std::string_view cp949Name);

}  // namespace world
