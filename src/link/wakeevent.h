// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace k4 {

// An auto-reset event: signal() lets exactly one wait through (at once if it is already
// waiting, or the next one), and that wait takes the signal with it.
class WakeEvent {
public:
    void signal();
    // True when signalled within timeout (the event is then reset); false when it timed out.
    bool waitFor(std::chrono::microseconds timeout);
    void reset();

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

}  // namespace k4
