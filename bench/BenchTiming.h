// Timing shared by the benchmarks: runs of one exchange against the encoder
// simulator, and their figures against the encoder's pacing floor.
#pragma once

#include "EN24_C1.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numeric>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double meanMs = 0;
    double minMs = 0;
    double maxMs = 0;
};

// Runs exchange(0), exchange(1), ... count times, timing each. Stops at the
// first run that does not return EN24_OK ("<what> <run> returned <code>" on
// stderr) and gives false then.
inline bool Measure(const char *what, int count, const std::function<int32_t(int)> &exchange, Figures &figures)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        const int32_t result = exchange(i);
        times.push_back(MillisecondsSince(start));
        if (result != EN24_OK) {
            std::fprintf(stderr, "%s %d returned %d\n", what, i + 1, result);
            return false;
        }
    }
    figures = {std::accumulate(times.begin(), times.end(), 0.0) / count,
               *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end())};
    return true;
}

// One line: the runs' mean, min and max, the floor, the ratios to it, and
// whether the mean is within 1 % of the floor.
inline void PrintAgainstFloor(const char *name, int count, double floorMs, const Figures &f)
{
    constexpr double kGoal = 1.01;
    std::printf("%-15s %3d runs  mean %8.2f ms  min %8.2f  max %8.2f  floor %6.0f ms  ratio %.4f (max %.4f)  %s\n",
                name, count, f.meanMs, f.minMs, f.maxMs, floorMs, f.meanMs / floorMs, f.maxMs / floorMs,
                f.meanMs / floorMs <= kGoal ? "within goal 1.01" : "ABOVE GOAL 1.01");
}

} // namespace bench
