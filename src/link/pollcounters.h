// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>

namespace k4 {

// How busy the link's polling is, for whoever watches the console from outside: the polls sent and
// how long the last round over every device took. The link thread is the only writer; any thread
// reads them without a lock.
class PollCounters {
public:
    // Link thread: a poll went out on the line.
    void notePoll() {
        polls_.store(polls_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
    // Link thread: the round robin is back at the first device at nowNs; the round before it ends.
    void noteRoundStart(std::int64_t nowNs);
    // Link thread: a new link begins; its first round is measured from its own start.
    void linkStarted() { roundStartNs_ = -1; }

    std::uint64_t polls() const { return polls_.load(std::memory_order_relaxed); }
    // 0 until a link has finished one whole round.
    std::int64_t lastRoundNs() const { return lastRoundNs_.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t> polls_{0};
    std::atomic<std::int64_t> lastRoundNs_{0};
    std::int64_t roundStartNs_ = -1;  // link thread only; one link runs at a time
};

}  // namespace k4
