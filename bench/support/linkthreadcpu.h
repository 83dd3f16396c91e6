// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cputime.h"
#include "link/trs232flow.h"

#include <chrono>
#include <mutex>

namespace k4bench {

// The link thread's CPU time over its life, read on the thread itself: the share of a core it
// used from its start to its end, as of the last link that ended.
class LinkThreadCpu final : public k4::LinkObserver {
public:
    void linkThreadStarted() override {
        std::lock_guard lock(mutex_);
        startCpu_ = CurrentThreadCpuSeconds();
        startWall_ = Clock::now();
    }
    void linkThreadFinished() override {
        std::lock_guard lock(mutex_);
        const double wall = std::chrono::duration<double>(Clock::now() - startWall_).count();
        percent_ = wall > 0 ? 100.0 * (CurrentThreadCpuSeconds() - startCpu_) / wall : 0.0;
    }
    double percent() const {
        std::lock_guard lock(mutex_);
        return percent_;
    }

private:
    using Clock = std::chrono::steady_clock;
    mutable std::mutex mutex_;
    double startCpu_ = 0.0;
    Clock::time_point startWall_;
    double percent_ = 0.0;
};

}  // namespace k4bench
