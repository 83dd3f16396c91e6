// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <string>

namespace k4 {

// What the operator is told about the line itself (not about any one device).
enum class LineCondition : std::uint8_t {
    Closed,      // no link runs
    Open,        // the port is open and polling reaches the line
    Lost,        // the open port failed (its device went away); reopened about once a second
    CannotOpen,  // the port could not be opened when the link started; tried about once a second
};

struct LineState {
    LineCondition condition = LineCondition::Closed;
    int portNumber = 0;
    std::string device;  // the serial device behind the port number, as the link opened it
    std::string reason;  // CannotOpen and Lost: why, in the system's words, when known

    friend bool operator==(const LineState&, const LineState&) = default;
};

// "COM1 (/dev/ttyS0): open", "COM2 (/dev/ttyUSB0): cannot open, retrying: Permission denied",
// "COM3 (tcp://rack:4001): lost, reopening: The remote host closed the connection"; empty while
// no link runs.
QString LineStateText(const LineState& state);
// The port part of that text: "COM1 (/dev/ttyS0)", or "COM1" without a device name.
QString PortLineText(int portNumber, const std::string& device);

// The link thread's bookkeeping of its port: when a port that is lost, or could not be opened at
// the start, is due for its next opening. Pure logic on a given clock, so the schedule is tested
// without a line.
class LineKeeper {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kReopenInterval{1000};

    // The outcome of the first opening, when the link starts at now.
    void started(bool opened, Clock::time_point now);
    // The open port failed at now.
    void lost(Clock::time_point now);
    // True when the port is not open and its next opening is due at now.
    bool reopenDue(Clock::time_point now) const;
    // One reopening was tried at now.
    void reopenTried(bool opened, Clock::time_point now);

    LineCondition condition() const { return condition_; }

private:
    LineCondition condition_ = LineCondition::Closed;
    Clock::time_point nextReopen_{};
};

}  // namespace k4
