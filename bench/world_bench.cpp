// World clock figures: reading the shipped world table, one region clock reading (what each world
// clock does once a second and the world time dialog's face 20 times a second), a search that
// finds nothing, and the table's memory; medians of several runs.
#include <time.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "world/world_table_file.h"

namespace {

double CpuNs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

double MedianNs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = CpuNs();
        work();
        times.push_back(CpuNs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    const std::filesystem::path file = std::filesystem::path(TIKO3_DATA_DIR) / world::kWorldTableFileName;
    std::optional<world::WorldTable> table;
    const double loadNs = MedianNs(21, [&] { table = world::LoadWorldTable(file); });
    if (!table) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
    }
    const int regions = table->regions.Size();
    std::printf("read the world table (%d regions): %.2f ms CPU (median of 21)\n", regions - 1, loadNs / 1e6);

    // Every region at 10,000 instants a quarter hour apart from 2026-01-01.
    constexpr int kInstants = 10000;
    const int64_t first = 1'767'225'600 + calendar::kKoreaUtcOffsetSeconds;
    volatile int64_t sink = 0;
    const double sweepNs = MedianNs(5, [&] {
        for (int index = 0; index < regions; ++index) {
            const world::Region* region = table->regions.Find(index);
            for (int i = 0; i < kInstants; ++i)
                sink = sink + world::RegionClockSeconds(region, first + int64_t{i} * 900);
        }
    });
    std::printf("one region clock reading: %.0f ns CPU (median of 5 sweeps of %d readings)\n",
                sweepNs / (double(regions) * kInstants), regions * kInstants);
    std::printf("  the dialog's face at 20 readings a second: %.5f %% of one core\n",
                sweepNs / (double(regions) * kInstants) * 20 / 1e9 * 100);

    const std::string missing = "\xB0\xA1\xB0\xA1\xB0\xA1";  // "가가가", in no name
    const double searchNs =
        MedianNs(101, [&] { sink = sink + world::FindRegion(*table, missing).has_value(); });
    std::printf("search through every name without a match: %.1f us CPU (median of 101)\n", searchNs / 1e3);

    size_t bytes = sizeof(world::WorldTable) + table->groups.capacity() * sizeof(world::WorldGroup);
    for (int index = 0; index < regions; ++index)
        bytes += sizeof(world::Region) + table->regions.Find(index)->name.capacity();
    std::printf("the table in memory: about %.1f KiB\n", bytes / 1024.0);
    return 0;
}
