#pragma once

#include "port/hostlookup.h"
#include "port/netaddress.h"
#include "port/serialio.h"
#include "port/telnetcomport.h"

#include <QString>

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
// reply, and the gap between bytes is measured between arrivals, so bytes that arrive together
// have none.
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
    std::string deviceName() const override { return text_.toStdString(); }
    std::string openError() const override { return openError_; }
    std::chrono::milliseconds settleTime() const override;

private:
    bool connectAndSetLine();
    // Takes what the socket holds now into pending_ (the line's data) and answers negotiation.
    // False when the connection has gone.
    bool takeArrived();
    // Waits up to ms for bytes; false when none came or the connection has gone.
    bool waitForBytes(int ms);
    bool sendRaw(const std::vector<std::uint8_t>& bytes);
    void noteLoss();

    QString text_;
    std::optional<NetAddress> address_;
    std::chrono::milliseconds margin_;
    std::unique_ptr<QTcpSocket> socket_;
    std::optional<TelnetComPort> telnet_;  // rfc2217 only
    std::vector<std::uint8_t> pending_;    // line data received and not yet read
    std::vector<std::uint8_t> scratch_;
    bool failed_ = false;
    HostLookup lookup_;
    std::string openError_;
};

}  // namespace k4
