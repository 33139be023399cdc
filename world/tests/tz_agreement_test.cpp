// The shipped world table against the system's tz database: every region's clock, at every half
// hour of this year and the next, must show the local time of the zone it was made from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "encoding/cp949.h"
#include "world/dst_rules.h"
#include "world/world_table_file.h"

namespace {

const std::filesystem::path kData = TIKO3_DATA_DIR;

struct SourceRegion {
    std::string group;
    std::string name;  // UTF-8
    std::string zone;
};

std::vector<SourceRegion> ReadSource() {
    std::vector<SourceRegion> regions;
    std::ifstream in(kData / "world" / "regions.txt");
    std::string line;
    std::string group;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
            continue;
        }
        std::istringstream fields(line);
        SourceRegion region{group, {}, {}};
        fields >> region.name >> region.zone;
        regions.push_back(region);
    }
    return regions;
}

// Sets TZ for the test's own process and puts it back afterwards.
class ScopedTz {
public:
    explicit ScopedTz(const std::string& zone) {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        ::setenv("TZ", (":" + zone).c_str(), 1);
        ::tzset();
    }
    ~ScopedTz() {
        if (old_)
            ::setenv("TZ", old_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

int CurrentYear() {
    return calendar::CivilFromUnix(std::time(nullptr)).year;
}

TEST(ShippedWorldTable, IsWholeAndFollowsItsSource) {
    const std::optional<world::WorldTable> table = world::LoadWorldTable(kData / world::kWorldTableFileName);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->damage, world::TableDamage::kNone);
    ASSERT_EQ(table->groups.size(), 8u);
    const std::vector<SourceRegion> source = ReadSource();
    ASSERT_GE(source.size(), 300u);
    ASSERT_EQ(static_cast<size_t>(table->regions.Size() - 1), source.size());
    for (const world::WorldGroup& group : table->groups) {
        for (int index = group.first; index < group.first + group.count; ++index) {
            const SourceRegion& expected = source[static_cast<size_t>(index - 1)];
            EXPECT_EQ(encoding::Cp949ToUtf8(group.name), expected.group) << index;
            EXPECT_EQ(encoding::Cp949ToUtf8(table->regions.Find(index)->name), expected.name) << index;
        }
    }
}

TEST(ShippedWorldTable, AgreesWithTheTzDatabaseAtEveryHalfHour) {
    const std::optional<world::WorldTable> table = world::LoadWorldTable(kData / world::kWorldTableFileName);
    ASSERT_TRUE(table);
    const std::vector<SourceRegion> source = ReadSource();
    ASSERT_EQ(static_cast<size_t>(table->regions.Size() - 1), source.size());

    const int year = CurrentYear();
    const int64_t first = calendar::UnixFromCivil(calendar::MakeCivilTime(year, 1, 1));
    const int64_t last = calendar::UnixFromCivil(calendar::MakeCivilTime(year + 2, 1, 1));
    constexpr int64_t kStep = 1800;

    // UTC offsets of each zone at every step, from the C library under TZ.
    std::map<std::string, std::vector<int32_t>> offsets;
    for (const SourceRegion& region : source) {
        if (offsets.count(region.zone) != 0)
            continue;
        ASSERT_TRUE(std::filesystem::exists("/usr/share/zoneinfo/" + region.zone)) << region.zone;
        ScopedTz tz(region.zone);
        std::vector<int32_t>& zone = offsets[region.zone];
        for (int64_t utc = first; utc < last; utc += kStep) {
            const time_t t = static_cast<time_t>(utc);
            struct tm local {};
            ASSERT_NE(::localtime_r(&t, &local), nullptr);
            zone.push_back(static_cast<int32_t>(local.tm_gmtoff));
        }
    }

    // What the clocks show, as offsets from UTC, once for each set of offset and rules; under a
    // TZ far from Korea's, which the clocks must not notice.
    std::map<std::tuple<int32_t, int32_t, int32_t>, std::vector<int32_t>> shown;
    ScopedTz farAway("Pacific/Kiritimati");
    for (int index = 1; index < table->regions.Size(); ++index) {
        const world::Region& region = *table->regions.Find(index);
        std::vector<int32_t>& clock = shown[{region.offset, region.startRule, region.endRule}];
        if (!clock.empty())
            continue;
        for (int64_t utc = first; utc < last; utc += kStep) {
            const int64_t seconds =
                world::RegionClockSeconds(&region, utc + calendar::kKoreaUtcOffsetSeconds);
            clock.push_back(static_cast<int32_t>(seconds - utc));
        }
    }

    int64_t agree = 0;
    int64_t total = 0;
    for (size_t i = 0; i < source.size(); ++i) {
        const world::Region& region = *table->regions.Find(static_cast<int>(i) + 1);
        const std::vector<int32_t>& expected = offsets[source[i].zone];
        const std::vector<int32_t>& clock = shown[{region.offset, region.startRule, region.endRule}];
        ASSERT_EQ(clock.size(), expected.size());
        std::optional<int64_t> firstFailure;
        for (size_t step = 0; step < clock.size(); ++step) {
            ++total;
            if (clock[step] == expected[step])
                ++agree;
            else if (!firstFailure)
                firstFailure = first + static_cast<int64_t>(step) * kStep;
        }
        if (firstFailure) {
            const calendar::CivilTime at = calendar::CivilFromUnix(*firstFailure);
            ADD_FAILURE() << source[i].name << " (" << source[i].zone << ", rules " << region.startRule << "/"
                          << region.endRule << ") first disagrees at " << at.year << "-" << at.month << "-"
                          << at.day << " " << at.hour << ":" << at.minute << " UTC";
        }
    }
    std::printf(
        "world table against the tz database, %d-%d: %lld of %lld region half-hours agree (%.3f %%)\n", year,
        year + 1, static_cast<long long>(agree), static_cast<long long>(total),
        total == 0 ? 0.0 : 100.0 * static_cast<double>(agree) / static_cast<double>(total));
    EXPECT_EQ(agree, total);
}

}  // namespace
