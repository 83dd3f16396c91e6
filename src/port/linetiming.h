// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The line's timing, the same for a local port and a line through a terminal server.
#include <chrono>

namespace k4 {

// DTR is raised on open and the far end given this long to settle before the first frame.
inline constexpr std::chrono::milliseconds kDtrSettle{50};
// A reply ends when no byte has come for this long...
inline constexpr std::chrono::milliseconds kByteGap{10};
// ...and no reply takes longer than this in all.
inline constexpr std::chrono::milliseconds kReadTotal{40};
// Bounds a write to a line that does not drain (a pty nobody reads), so a stop never hangs on
// it; 4 bytes take under 2 ms at 28800 baud.
inline constexpr std::chrono::milliseconds kWriteBound{250};
// A babbling line must not keep the purge going for ever.
inline constexpr int kPurgeRounds = 16;

// Whole milliseconds until deadline, 0 once it has passed. Rounded up: waking a little late is
// harmless, waking early and giving up is not.
inline int WholeMillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
        return 0;
    }
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

}  // namespace k4
