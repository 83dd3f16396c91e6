// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace kvtsim {

using Nanos = std::int64_t;  // monotonic clock, nanoseconds

// One byte on the line: start bit, 8 data bits, stop bit at 28800 baud.
inline constexpr Nanos kByteTimeNs = 10LL * 1'000'000'000LL / 28800;  // 347222 ns

// Holds outgoing bytes back until a real line would have delivered them. A reply starts after the
// turnaround (or when the line is free, if an earlier reply is still going out) and its bytes are
// released in chunks, each at the moment its last byte would have finished arriving: the receiver
// never sees a byte earlier than on the real line, and a few bytes per write keep the CPU cost low.
// How late chunks left against their release times: kvtsim's own share of any pacing error.
struct PacingStats {
    std::uint64_t writes = 0;
    Nanos lateSum = 0;
    Nanos lateMax = 0;
    std::uint64_t lateOverMs = 0;  // writes more than 1 ms late
};

class LinePacer {
public:
    explicit LinePacer(std::size_t chunkBytes = 4) : chunkBytes_(chunkBytes ? chunkBytes : 1) {}

    // Queues a reply whose first bit may go out at earliestStart at the soonest.
    void Enqueue(const std::vector<std::uint8_t>& bytes, Nanos earliestStart);
    bool Idle() const { return chunks_.empty(); }
    // Forgets every byte not yet released (the line they were meant for is gone).
    void DropQueued() { chunks_.clear(); }
    // Release time of the next chunk; only valid when not Idle().
    Nanos NextRelease() const { return chunks_.front().releaseAt; }
    // Bytes of every chunk whose release time has come, in line order.
    // Each chunk counts once in the pacing figures, with `now` as the moment it was written.
    std::vector<std::uint8_t> TakeDue(Nanos now);
    const PacingStats& Pacing() const { return pacing_; }
    // Moment the line falls quiet after everything queued so far.
    Nanos LineFreeAt() const { return lineFreeAt_; }
    std::size_t ChunkBytes() const { return chunkBytes_; }

private:
    struct Chunk {
        Nanos releaseAt;
        std::vector<std::uint8_t> bytes;
    };
    std::size_t chunkBytes_;
    std::deque<Chunk> chunks_;
    Nanos lineFreeAt_ = 0;
    PacingStats pacing_;
};

}  // namespace kvtsim
