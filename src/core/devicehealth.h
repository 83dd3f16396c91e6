// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <atomic>
#include <cstdint>

namespace k4 {

// What the link has seen of one device since its workspace was opened.
struct HealthCounts {
    std::uint64_t replies = 0;   // exchanges answered (display or two-byte reply)
    std::uint64_t failures = 0;  // exchanges that failed
    std::uint64_t episodes = 0;  // failure episodes: runs of failures ended by a display reply
    std::int64_t lastReplyNs = kNever;  // HealthClockNs() of the last answer

    static constexpr std::int64_t kNever = -1;
};

// A monotonic clock in nanoseconds, the one lastReplyNs is taken from.
std::int64_t HealthClockNs();

// The counters of one device. The link thread is their only writer, so an increment is a plain
// load and store; the GUI thread reads them at any time without a lock. A reading taken between
// two counters of one exchange may lag by that exchange, which a glance at a tooltip can live with.
class DeviceHealth {
public:
    void noteReply(std::int64_t nowNs);
    // startsEpisode: the device was not failing before this failure.
    void noteFailure(bool startsEpisode);

    HealthCounts counts() const;
    // The failure episode that began last: how many failures it has counted so far, and when it
    // began (HealthClockNs()). Read by the link thread as the episode ends.
    std::uint64_t episodeFailures() const;
    std::int64_t episodeStartNs() const;
    // The attention bit of the device's last display reply; true when it differs from the one
    // before. The panel blinks while the bit stays set, but the device raised it only once.
    bool noteAttentionBit(bool set);
    bool attentionHeld() const { return attentionHeld_.load(std::memory_order_relaxed); }
    bool isClear() const;  // as constructed: nothing seen yet

    // GUI thread, with the link stopped or the record out of its reach.
    void reset();
    void copyFrom(const DeviceHealth& other);

private:
    std::atomic<std::uint64_t> replies_{0};
    std::atomic<std::uint64_t> failures_{0};
    std::atomic<std::uint64_t> episodes_{0};
    std::atomic<std::int64_t> lastReplyNs_{HealthCounts::kNever};
    std::atomic<std::uint64_t> failuresBeforeEpisode_{0};
    std::atomic<std::int64_t> episodeStartNs_{HealthCounts::kNever};
    std::atomic<bool> attentionHeld_{false};
};

// "12 034": digits in groups of three, the groups parted by a blank.
QString GroupedCount(std::uint64_t n);
// "0.3 s", "42.0 s", "3 min 12 s", "2 h 5 min".
QString ElapsedText(std::int64_t ns);
// "ID=5 Multiplexer: 12 034 replies, 7 failed in 2 episodes, last reply 0.3 s ago".
QString HealthSummary(const QString& deviceLabel, const HealthCounts& counts, std::int64_t nowNs);

}  // namespace k4
