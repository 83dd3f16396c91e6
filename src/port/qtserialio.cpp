// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/qtserialio.h"

#include "port/linetiming.h"
#include "port/serialdevices.h"

#include <QSerialPort>

#include <algorithm>
#include <chrono>

namespace k4 {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr qint32 kBaudRate = 28800;

// Qt locks a port with a lock file named after its path, so that two programs never both send
// on one line; a port whose lock another program holds fails with a permission error about the
// lock.
constexpr char kBusyReason[] = "busy: another program has the port open";
bool IsHeldByAnother(const QSerialPort& port) {
    return port.error() == QSerialPort::PermissionError &&
           port.errorString().contains(QLatin1String("lock"), Qt::CaseInsensitive);
}

bool IsLossOfDevice(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
           error == QSerialPort::WriteError;
}

}  // namespace

QtSerialIo::QtSerialIo(QString path) : path_(std::move(path)) {}

QtSerialIo::~QtSerialIo() {
    close();
}

bool QtSerialIo::open() {
    close();
    openError_.clear();
    if (path_.isEmpty()) {
        openError_ = "no device named";
        return false;
    }
    // Opening some devices has side effects: only a serial line is opened.
    const QString refusal = DeviceRefusal(path_);
    if (!refusal.isEmpty()) {
        openError_ = refusal.toStdString();
        return false;
    }
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(path_);
    // Everything is set before open(), so the line never runs a moment at the default speed.
    if (!port->setBaudRate(kBaudRate) || !port->setDataBits(QSerialPort::Data8) ||
        !port->setParity(QSerialPort::NoParity) || !port->setStopBits(QSerialPort::OneStop) ||
        !port->setFlowControl(QSerialPort::NoFlowControl) || !port->open(QIODevice::ReadWrite)) {
        openError_ =
            IsHeldByAnother(*port) ? std::string(kBusyReason) : port->errorString().toStdString();
        return false;
    }
    failed_ = false;
    // Reported as it happens, from inside the read or write that met it: the other errors are
    // cleared after every call, these mean the device is gone.
    QObject::connect(port.get(), &QSerialPort::errorOccurred,
                     [this](QSerialPort::SerialPortError error) {
                         if (IsLossOfDevice(error)) {
                             failed_ = true;
                         }
                     });
    // A pseudo-terminal has no DTR line; that is no reason to give up the port.
    if (!port->setDataTerminalReady(true)) {
        port->clearError();
    }
    port_ = std::move(port);
    return true;
}

std::chrono::milliseconds QtSerialIo::settleTime() const {
    return kDtrSettle;
}

void QtSerialIo::close() {
    if (port_) {
        port_->close();
        port_.reset();
    }
}

bool QtSerialIo::isOpen() const {
    return port_ && port_->isOpen();
}

void QtSerialIo::purgeReceive() {
    if (!isOpen()) {
        return;
    }
    port_->clear(QSerialPort::Input);
    port_->readAll();
    for (int round = 0; round < kPurgeRounds && port_->waitForReadyRead(0); ++round) {
        port_->readAll();
    }
    port_->clearError();
}

bool QtSerialIo::write(const std::uint8_t* data, std::size_t size) {
    if (!isOpen()) {
        return false;
    }
    const qint64 queued =
        port_->write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    // One wait may pass on only part of the bytes.
    const Clock::time_point deadline = Clock::now() + kWriteBound;
    while (port_->bytesToWrite() > 0 &&
           port_->waitForBytesWritten(WholeMillisecondsLeft(deadline))) {
    }
    const bool sent = queued == static_cast<qint64>(size) && port_->bytesToWrite() == 0;
    if (!sent) {
        // The line stopped draining. Kept, these bytes would go out late in a burst ahead of
        // newer frames (key commands among them), and the queue would grow with every frame.
        port_->clear(QSerialPort::Output);
    }
    port_->clearError();
    return sent;
}

std::size_t QtSerialIo::read(std::uint8_t* buffer, std::size_t max) {
    if (!isOpen()) {
        return 0;
    }
    char* out = reinterpret_cast<char*>(buffer);
    std::size_t n = 0;
    const Clock::time_point totalDeadline = Clock::now() + kReadTotal;
    Clock::time_point gapDeadline = totalDeadline;
    while (n < max) {
        if (port_->bytesAvailable() > 0) {
            const qint64 got = port_->read(out + n, static_cast<qint64>(max - n));
            if (got < 0) {
                break;
            }
            n += static_cast<std::size_t>(got);
            lastByteAt_ = Clock::now();
            gapDeadline = std::min(totalDeadline, lastByteAt_ + kByteGap);
            continue;
        }
        // When the time is up this is one last look without waiting: bytes that came in time
        // while this thread was not running still count.
        const int waitMs = WholeMillisecondsLeft(n == 0 ? totalDeadline : gapDeadline);
        if (!port_->waitForReadyRead(waitMs) || port_->bytesAvailable() == 0) {
            break;
        }
        if (Clock::now() >= totalDeadline) {
            // The read time is over: what is there now, and nothing after it.
            const qint64 got = port_->read(out + n, static_cast<qint64>(max - n));
            n += got > 0 ? static_cast<std::size_t>(got) : 0;
            lastByteAt_ = Clock::now();
            break;
        }
    }
    port_->clearError();
    return n;
}

}  // namespace k4
