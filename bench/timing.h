#pragma once
// Wall-clock and CPU milliseconds, and their medians, for the benches that time a piece of work.

#include <time.h>

#include <algorithm>
#include <functional>
#include <vector>

inline double Ms(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Median wall-clock and CPU milliseconds; on a shared machine the CPU figure is the steadier one,
// the wall figure includes the waits for the disk.
struct Median {
    double wall, cpu;
};

inline double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each piece of work once a round, in turns, so the machine's load falls on all of them alike.
inline std::vector<Median> MedianMs(int runs, const std::vector<std::function<void()>>& works) {
    std::vector<std::vector<double>> wall(works.size()), cpu(works.size());
    for (int i = 0; i < runs; ++i) {
        for (size_t which = 0; which < works.size(); ++which) {
            const double w = Ms(CLOCK_MONOTONIC), c = Ms(CLOCK_PROCESS_CPUTIME_ID);
            works[which]();
            wall[which].push_back(Ms(CLOCK_MONOTONIC) - w);
            cpu[which].push_back(Ms(CLOCK_PROCESS_CPUTIME_ID) - c);
        }
    }
    std::vector<Median> medians;
    for (size_t which = 0; which < works.size(); ++which)
        medians.push_back({MedianOf(wall[which]), MedianOf(cpu[which])});
    return medians;
}

inline Median MedianMs(int runs, const std::function<void()>& work) {
    return MedianMs(runs, std::vector<std::function<void()>>{work}).front();
}
