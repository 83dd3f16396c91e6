// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/linestate.h"

#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace k4 {

// The sizes of a request frame and of a display reply (checked against the frame's own).
inline constexpr std::size_t kCapturedRequestSize = 4;
inline constexpr std::size_t kCapturedReplySize = 51;
using CapturedRequest = std::array<std::uint8_t, kCapturedRequestSize>;

// What came of one exchange on the line, as the line monitor shows it.
enum class CaptureKind : std::uint8_t {
    Display,  // a 51-byte display reply
    TwoByte,  // a two-byte reply
    NoReply,  // nothing came back
    Bad,      // a reply of any other length
    NotSent,  // the request never left (the write failed, or an ID the line cannot carry)
    Line,     // not an exchange: the line itself changed state
};

// One row of the line monitor: an exchange, or a change of the line's state.
struct CapturedEntry {
    std::int64_t wallUs = 0;  // local wall clock, microseconds since the epoch
    CaptureKind kind = CaptureKind::NoReply;
    CapturedRequest request{};
    bool probe = false;  // sent by a line scan, not by the workspace
    std::uint8_t replyLength = 0;
    std::array<std::uint8_t, kCapturedReplySize> reply{};
    // From the end of the request to the reply's last byte; -1 when nothing came back.
    std::int32_t latencyUs = -1;
    // Line rows only.
    LineCondition line = LineCondition::Closed;
    bool reopened = false;  // opened again after it was lost or could not be opened
    std::string device;
    // The workspace's name for the device, set by the reader of the capture when it takes the
    // row (the ring does not carry it); empty for a device the workspace does not hold.
    QString deviceName;

    std::uint8_t address() const { return request[1]; }
    std::uint8_t key() const { return request[2]; }
};

// The recent past of the line: the last kCapacity exchanges in a ring that the link thread fills
// without a lock (each slot is a run of atomic words; a reader copies a slot and then checks that
// the writer did not start over it meanwhile), and the line's changes of state, which are rare,
// in a short list under a lock of their own. The GUI thread reads both in batches through a
// cursor; what fell off the ring before it was read is gone.
class LineCapture {
public:
    static constexpr std::size_t kCapacity = 20000;
    static constexpr std::size_t kLineEvents = 256;
    using SteadyClock = std::chrono::steady_clock;

    LineCapture();
    ~LineCapture();
    LineCapture(const LineCapture&) = delete;
    LineCapture& operator=(const LineCapture&) = delete;

    // Link thread. n bytes of reply were read; sentAt is when the request had left, lastByteAt
    // when the reply's last byte came (ignored when n is 0).
    void recordExchange(const CapturedRequest& request, const std::uint8_t* reply, std::size_t n,
                        SteadyClock::time_point sentAt, SteadyClock::time_point lastByteAt,
                        bool probe = false);
    void recordNotSent(const CapturedRequest& request, bool probe = false);
    void recordLine(const LineState& state);

    // Link thread (the ring's writer): the newest exchange with address, if the ring still holds
    // it.
    bool latestFor(std::uint8_t address, CapturedEntry& out) const;

    // Where a reader stands; a fresh cursor reads everything the capture still holds.
    struct Cursor {
        std::uint64_t exchanges = 0;
        std::uint64_t lineEvents = 0;
    };
    // Any thread but the writer's: appends every entry after cursor, oldest first, and moves the
    // cursor past them. Returns how many were appended.
    std::size_t readSince(Cursor& cursor, std::vector<CapturedEntry>& out) const;
    // A cursor past everything recorded so far.
    Cursor end() const;

private:
    static constexpr std::size_t kWords = 10;
    struct Slot {
        std::array<std::atomic<std::uint64_t>, kWords> words{};
    };
    struct LineEvent {
        std::uint64_t afterExchanges;  // how many exchanges came before it
        CapturedEntry entry;
    };

    void write(const CapturedEntry& entry);
    void copySlot(std::uint64_t index, CapturedEntry& out) const;

    std::unique_ptr<Slot[]> slots_;
    std::atomic<std::uint64_t> started_{0};  // exchanges whose writing has begun
    std::atomic<std::uint64_t> written_{0};  // exchanges complete in their slots
    // The ring index + 1 of the newest exchange per address; 0 for none. Every byte has its own:
    // an ID beyond 127 that a hand-edited workspace holds must not stand for another device.
    // Writer's alone.
    std::array<std::uint64_t, 256> latest_{};

    mutable std::mutex lineMutex_;
    std::deque<LineEvent> lineEvents_;
    std::uint64_t lineEventCount_ = 0;  // ever recorded
    LineCondition lastCondition_ = LineCondition::Closed;
};

}  // namespace k4
