#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace k4bench {

// Runs job repeatedly and returns the median and the slowest run in milliseconds.
struct Timing {
    double median = 0;
    double worst = 0;
};

template <typename Job>
Timing Measure(int runs, Job&& job) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        job(i);
        const auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

}  // namespace k4bench
