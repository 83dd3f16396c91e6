// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace k4 {

// The port as the exchange needs it; the Qt Serial Port implementation runs on the line, a fake
// in the unit tests.
class SerialIo {
public:
    virtual ~SerialIo() = default;
    // Opens and configures the line (28800 8N1, DTR raised). False when it cannot. The line is
    // ready for a frame once settleTime() has passed after it.
    virtual bool open() = 0;
    // How long the line needs after open() before its first frame (the device sees DTR rise).
    virtual std::chrono::milliseconds settleTime() const { return {}; }
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Drops whatever waits in the receive queue.
    virtual void purgeReceive() = 0;
    // Blocking write with a time limit. False when the bytes did not all leave in time: whatever
    // is left of them is dropped, never sent late behind newer frames. False on a closed port.
    virtual bool write(const std::uint8_t* data, std::size_t size) = 0;
    // Reads up to max bytes: ends at max bytes, 10 ms after the last byte, or 40 ms after the
    // start, whichever comes first. Returns the count read, 0 on failure.
    virtual std::size_t read(std::uint8_t* buffer, std::size_t max) = 0;
    // True once the open port has failed for good (its device went away): every read and write
    // fails from then on, until the port is closed and opened again.
    virtual bool failed() const { return false; }
    // Why the port failed, for the operator's eyes; empty when it does not say.
    virtual std::string lossReason() const { return {}; }
    // True for a port whose open() may wait on a network (a lookup, a call, an answer): the link
    // thread opens it after the start, so the thread that starts the link never waits for it.
    virtual bool opensInBackground() const { return false; }
    // Set once, before open(): while *stop holds, waits that are not bounded by the line's own
    // timing (a lookup, a call, an answer, a write that does not drain) give up at once.
    virtual void setStopFlag(const std::atomic<bool>* /*stop*/) {}
    // True once that stop flag holds: a read or write that failed since was cut short by the
    // stop and says nothing about the device at the far end.
    virtual bool stopping() const { return false; }
    // The serial device this port opens, for the operator's eyes; empty when it has no name.
    virtual std::string deviceName() const { return {}; }
    // Why the last open() failed, in the system's words ("Permission denied"); empty when unknown.
    virtual std::string openError() const { return {}; }
    // When the last read took in its last byte; a port that does not keep it answers now, which
    // is when its read has just returned.
    virtual std::chrono::steady_clock::time_point lastByteAt() const {
        return std::chrono::steady_clock::now();
    }
};

// Stands in for a port that could not be opened: every write goes nowhere and every read fails,
// so each device in use falls into a communication failure.
class NoPort final : public SerialIo {
public:
    bool open() override { return false; }
    void close() override {}
    bool isOpen() const override { return false; }
    void purgeReceive() override {}
    bool write(const std::uint8_t*, std::size_t) override { return false; }
    std::size_t read(std::uint8_t*, std::size_t) override { return 0; }
};

// Makes the port for a port number; called on the link thread, so the port lives where it is used.
using PortFactory = std::function<std::unique_ptr<SerialIo>(int portNumber)>;

}  // namespace k4
