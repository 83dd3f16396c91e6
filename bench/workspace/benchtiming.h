// SPDX-License-Identifier: GPL-3.0-or-later
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

inline Timing Summarize(std::vector<double> ms) {
    if (ms.empty()) {
        return {};
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

// Milliseconds since start.
inline double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

template <typename Job>
Timing Measure(int runs, Job&& job) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        job(i);
        ms.push_back(Since(start));
    }
    return Summarize(std::move(ms));
}

}  // namespace k4bench
