// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "port/serialio.h"

#include <QString>

#include <chrono>
#include <memory>

class QSerialPort;

namespace k4 {

// The line through Qt Serial Port. The QSerialPort is made in open() and destroyed in close(), so
// it lives on the thread that opens the port, which is the thread that then reads and writes it.
class QtSerialIo final : public SerialIo {
public:
    explicit QtSerialIo(QString path);
    ~QtSerialIo() override;

    const QString& path() const { return path_; }

    bool open() override;
    void close() override;
    bool isOpen() const override;
    void purgeReceive() override;
    bool write(const std::uint8_t* data, std::size_t size) override;
    std::size_t read(std::uint8_t* buffer, std::size_t max) override;
    bool failed() const override { return failed_; }
    std::string deviceName() const override { return path_.toStdString(); }
    std::string openError() const override { return openError_; }
    std::chrono::milliseconds settleTime() const override;
    std::chrono::steady_clock::time_point lastByteAt() const override { return lastByteAt_; }

private:
    QString path_;
    std::unique_ptr<QSerialPort> port_;
    // Set by the port's own error report, on the thread that uses the port.
    bool failed_ = false;
    std::string openError_;
    std::chrono::steady_clock::time_point lastByteAt_{};
};

}  // namespace k4
