// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "linepacer.h"

namespace kvtsim {

// Everything kvtsim needs of the operating system: the clock, the pseudo-terminal that plays the
// line, the command inputs and the stop signals. The only platform-specific file implements it.
Nanos MonotonicNow();

struct HostInput {
    std::vector<std::uint8_t> lineBytes;  // what the console wrote to the line
    std::vector<std::string> commands;    // complete command lines, stdin and control FIFO
    bool stopRequested = false;           // SIGTERM or SIGINT
    bool stdinClosed = false;             // EOF on stdin, reported once
};

class HostIo {
public:
    HostIo();
    ~HostIo();  // closes the line and removes the symlink
    HostIo(const HostIo&) = delete;
    HostIo& operator=(const HostIo&) = delete;

    // Opens a pseudo-terminal in raw mode and points a symlink at linkPath to it.
    bool OpenLine(const std::string& linkPath, std::string& error);
    // Closes the pseudo-terminal and removes the symlink, as when an adapter is pulled out; the
    // console's open port then fails. OpenLine makes a new line at the same path.
    void CloseLine();
    // The settings the console last gave the line, as "28800 8N1" (speed, data bits, parity N, E
    // or O, stop bits); "unplugged" while there is no line.
    std::string LineSettings() const;
    // Reads commands also from the FIFO at path, made when missing.
    bool OpenControl(const std::string& path, std::string& error);
    bool WatchStopSignals(std::string& error);

    // Waits until input arrives or the deadline passes (no deadline when hasDeadline is false),
    // and returns whatever input there is. The deadline is kept to a few microseconds.
    HostInput Wait(bool hasDeadline, Nanos deadline);
    // Puts bytes on the line now; bytes that no one reads are dropped once the line's buffer is
    // full, as on a line where nobody listens.
    void WriteLine(const std::vector<std::uint8_t>& bytes);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kvtsim
