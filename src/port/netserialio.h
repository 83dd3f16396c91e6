// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "port/hostlookup.h"
#include "port/netaddress.h"
#include "port/serialio.h"
#include "port/telnetcomport.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

class QTcpSocket;

namespace k4 {

// The line through a terminal server on the network: rfc2217://host:port (Telnet, the console
// sets 28800 8N1 on the far end and checks the answer) or tcp://host:port (raw bytes). The
// socket is made in open() and destroyed in close(), so it lives on the thread that uses it.
//
// A network line adds its round trip to every reply: the read allows margin more for the whole
// reply and for each gap inside it (a reply may come in pieces), and the gap is measured between
// arrivals, so bytes that arrive together have none.
//
// The far end is not trusted: every wait has an absolute deadline that arriving bytes do not
// move, what is taken from it is bounded, and a far end that breaks a bound, or a write that does
// not leave whole, drops the connection (a lost line, named in lossReason()).
class NetSerialIo final : public SerialIo {
public:
    // address as the operator wrote it; a malformed one never opens.
    NetSerialIo(QString address, std::chrono::milliseconds margin);
    ~NetSerialIo() override;

    bool open() override;
    void close() override;
    bool isOpen() const override;
    void purgeReceive() override;
    bool write(const std::uint8_t* data, std::size_t size) override;
    std::size_t read(std::uint8_t* buffer, std::size_t max) override;
    bool failed() const override { return failed_; }
    std::string lossReason() const override { return lossReason_; }
    bool opensInBackground() const override { return true; }
    void setStopFlag(const std::atomic<bool>* stop) override { stop_ = stop; }
    bool stopping() const override {
        return stop_ != nullptr && stop_->load(std::memory_order_acquire);
    }
    std::string deviceName() const override { return text_.toStdString(); }
    std::string openError() const override { return openError_; }
    std::chrono::milliseconds settleTime() const override;
    std::chrono::steady_clock::time_point lastByteAt() const override { return lastByteAt_; }

    // Bounds on what the far end can make the console hold.
    static constexpr std::size_t kReadBufferBytes = 16 * 1024;  // the socket's receive buffer
    static constexpr std::size_t kOpeningBytes = 4096;          // received before the line is set

private:
    using Clock = std::chrono::steady_clock;

    bool callFarEnd(Clock::time_point deadline);
    bool setLine();
    // Takes what the socket holds now into pending_ (the line's data) and answers negotiation.
    // False when the connection has gone or was dropped.
    bool takeArrived();
    // Waits until deadline at most for bytes, taking them; at or past the deadline one look
    // without waiting. False when none came, the connection has gone, or a stop was asked for.
    bool waitForBytes(Clock::time_point deadline);
    bool sendRaw(const std::vector<std::uint8_t>& bytes);
    // The connection is of no more use: it is cut at once, so nothing queued goes out late.
    void drop(std::string reason);
    void noteLoss();

    QString text_;
    std::optional<NetAddress> address_;
    std::chrono::milliseconds margin_;
    std::unique_ptr<QTcpSocket> socket_;
    std::optional<TelnetComPort> telnet_;  // rfc2217 only
    std::vector<std::uint8_t> pending_;    // line data received and not yet read
    Clock::time_point pendingAt_{};        // when the newest of it arrived
    Clock::time_point lastByteAt_{};
    std::vector<std::uint8_t> scratch_;
    bool opening_ = false;
    std::size_t openingBytes_ = 0;
    bool failed_ = false;
    std::string lossReason_;
    const std::atomic<bool>* stop_ = nullptr;
    HostLookup lookup_;
    std::string openError_;
};

}  // namespace k4
