// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/devicetable.h"
#include "link/linecapture.h"
#include "port/serialio.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace k4 {

// An address that answered during a scan.
struct ScanFinding {
    enum class Answer : std::uint8_t { Display, TwoByte, Bad };
    std::uint8_t id = 0;
    Answer answer = Answer::Display;
    std::uint8_t length = 0;  // bytes of a bad reply
    QString firstRow;         // a display reply's top row, as sent (trailing blanks kept)
    bool inWorkspace = false;
};

// "display reply: Encoder A", "two-byte reply", "answers, bad reply (30 bytes)".
QString ScanAnswerText(const ScanFinding& finding);
// The name a found device takes in the workspace: its top row trimmed, "Device <ID>" when blank.
QString FoundDeviceName(const ScanFinding& finding);

// A search of the line for the addresses that answer. The GUI thread starts and stops it and
// collects what it found; the link thread runs it between its regular polls, one probe on at most
// every other tick. A probe is a poll of an address the table does not hold; it touches no record
// and has no effect on any view. An address the table holds is not probed: what its own polling
// last brought back (from the capture) stands for it.
class LineScan {
public:
    struct Progress {
        bool running = false;
        int address = -1;  // the address probed last (or being skipped over)
        int done = 0;      // addresses dealt with
        int total = 0;
        bool lineLost = false;  // ended because the line was lost (or never open)
    };

    // GUI thread. Starts a scan of first..last (clamped to 0..127); one already running is
    // replaced. False when the range is empty.
    bool start(int first, int last);
    // GUI thread: the link thread stops at its next tick.
    void stop();
    Progress progress() const;
    // GUI thread: what was found since the last call, in address order.
    std::vector<ScanFinding> takeFindings();

    // Link thread: true while there is something to probe.
    bool active() const { return running_.load(std::memory_order_acquire); }
    // Link thread: probes the next address the table does not hold (skipping over those it
    // holds). capture may be null.
    void probeStep(const DeviceTable& table, SerialIo& port, LineCapture* capture);
    // Link thread: the loop ended, so does the scan.
    void linkEnded();
    // Link thread: the port is not open (lost, or it could not be opened), so every address would
    // seem silent: the scan ends, marked as ended by the line.
    void lineLost();

private:
    void finishLocked();

    mutable std::mutex mutex_;
    int next_ = 0;  // under mutex_
    int last_ = -1;
    int first_ = 0;
    std::uint64_t generation_ = 0;  // counts starts, so a probe of an old scan is dropped
    std::vector<ScanFinding> findings_;
    std::atomic<bool> running_{false};
    std::atomic<int> address_{-1};
    std::atomic<int> done_{0};
    std::atomic<int> total_{0};
    std::atomic<bool> lineLost_{false};
};

}  // namespace k4
