#include "port/netserialio.h"

#include "port/linetiming.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <algorithm>

namespace k4 {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A terminal server that does not take the call, or answer the line settings, within this is
// treated like a port that cannot be opened; the lost-line retry tries again later.
constexpr milliseconds kConnectTime{1000};
constexpr milliseconds kAnswerTime{1000};

}  // namespace

NetSerialIo::NetSerialIo(QString address, milliseconds margin)
    : text_(std::move(address)), address_(ParseNetAddress(text_)), margin_(margin) {}

NetSerialIo::~NetSerialIo() {
    close();
}

bool NetSerialIo::open() {
    close();
    if (!address_) {
        return false;
    }
    failed_ = false;
    openError_.clear();
    if (!connectAndSetLine()) {
        close();
        return false;
    }
    return true;
}

bool NetSerialIo::connectAndSetLine() {
    socket_ = std::make_unique<QTcpSocket>();
    // Four-byte frames must leave at once, not wait for more to fill a segment.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // A name is looked up before the socket is made to call it, with no more patience than the
    // call itself gets.
    QHostAddress host(address_->host);
    if (host.isNull()) {
        switch (lookup_.wait(address_->host, kConnectTime, host)) {
            case HostLookup::Outcome::Found:
                break;
            case HostLookup::Outcome::NotFound:
                openError_ = "host not found";
                return false;
            case HostLookup::Outcome::StillLooking:
                openError_ = "still looking the host up";
                return false;
        }
    }
    socket_->connectToHost(host, address_->port);
    if (!socket_->waitForConnected(static_cast<int>(kConnectTime.count()))) {
        openError_ = socket_->errorString().toStdString();
        return false;
    }
    if (address_->scheme == NetScheme::RawTcp) {
        return true;
    }
    telnet_.emplace();
    openError_ = "the terminal server did not set the line";
    const ComPortSettings wanted = KvtLineSettings();
    if (!sendRaw(telnet_->opening(wanted))) {
        return false;
    }
    const Clock::time_point deadline = Clock::now() + kAnswerTime;
    while (!telnet_->settingsAnswered() && !telnet_->comPortRefused()) {
        if (!waitForBytes(WholeMillisecondsLeft(deadline)) && Clock::now() >= deadline) {
            return false;
        }
        if (failed_) {
            return false;
        }
    }
    // The far end answers with the settings in force: a line it could not set is no line.
    if (telnet_->comPortRefused() || !(telnet_->answeredSettings() == wanted)) {
        return false;
    }
    openError_.clear();
    pending_.clear();
    return true;
}

std::chrono::milliseconds NetSerialIo::settleTime() const {
    // A raw socket has no line to raise; a terminal server raises its DTR as a port would.
    return telnet_ ? kDtrSettle : std::chrono::milliseconds{};
}

void NetSerialIo::close() {
    if (socket_) {
        socket_->abort();
        socket_.reset();
    }
    telnet_.reset();
    pending_.clear();
}

bool NetSerialIo::isOpen() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

void NetSerialIo::noteLoss() {
    if (socket_ && socket_->state() != QAbstractSocket::ConnectedState) {
        failed_ = true;
    }
}

bool NetSerialIo::sendRaw(const std::vector<std::uint8_t>& bytes) {
    if (!isOpen()) {
        noteLoss();
        return false;
    }
    const qint64 queued = socket_->write(reinterpret_cast<const char*>(bytes.data()),
                                         static_cast<qint64>(bytes.size()));
    const Clock::time_point deadline = Clock::now() + kWriteBound;
    while (socket_->bytesToWrite() > 0 &&
           socket_->waitForBytesWritten(WholeMillisecondsLeft(deadline))) {
    }
    noteLoss();
    return queued == static_cast<qint64>(bytes.size()) && socket_->bytesToWrite() == 0;
}

bool NetSerialIo::takeArrived() {
    const QByteArray arrived = socket_->readAll();
    if (!arrived.isEmpty()) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(arrived.constData());
        if (telnet_) {
            std::vector<std::uint8_t> reply;
            telnet_->receive(bytes, static_cast<std::size_t>(arrived.size()), pending_, reply);
            if (!reply.empty()) {
                sendRaw(reply);
            }
        } else {
            pending_.insert(pending_.end(), bytes, bytes + arrived.size());
        }
    }
    noteLoss();
    return !failed_;
}

bool NetSerialIo::waitForBytes(int ms) {
    if (!isOpen()) {
        noteLoss();
        return false;
    }
    if (socket_->bytesAvailable() == 0 && !socket_->waitForReadyRead(ms)) {
        noteLoss();
        return false;
    }
    return takeArrived();
}

void NetSerialIo::purgeReceive() {
    if (!isOpen()) {
        noteLoss();
        return;
    }
    // Through the Telnet decoder all the same: a negotiation in the dropped bytes is answered.
    takeArrived();
    for (int round = 0; round < kPurgeRounds && isOpen() && socket_->waitForReadyRead(0); ++round) {
        takeArrived();
    }
    noteLoss();
    pending_.clear();
}

bool NetSerialIo::write(const std::uint8_t* data, std::size_t size) {
    if (!isOpen()) {
        noteLoss();
        return false;
    }
    scratch_.clear();
    if (telnet_) {
        TelnetComPort::escape(data, size, scratch_);
    } else {
        scratch_.assign(data, data + size);
    }
    return sendRaw(scratch_);
}

std::size_t NetSerialIo::read(std::uint8_t* buffer, std::size_t max) {
    if (!isOpen()) {
        noteLoss();
        return 0;
    }
    std::size_t n = 0;
    const Clock::time_point totalDeadline = Clock::now() + kReadTotal + margin_;
    Clock::time_point gapDeadline = totalDeadline;
    while (n < max) {
        if (!pending_.empty()) {
            // Everything taken in one go arrived together: no gap lies between those bytes.
            const std::size_t take = std::min(max - n, pending_.size());
            std::copy_n(pending_.begin(), take, buffer + n);
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(take));
            n += take;
            gapDeadline = std::min(totalDeadline, Clock::now() + kByteGap);
            continue;
        }
        const bool late = Clock::now() >= totalDeadline;
        const int waitMs = WholeMillisecondsLeft(n == 0 ? totalDeadline : gapDeadline);
        // Past the time this is one last look without waiting, as on a local port.
        if (!waitForBytes(waitMs) || late) {
            if (late) {
                const std::size_t take = std::min(max - n, pending_.size());
                std::copy_n(pending_.begin(), take, buffer + n);
                pending_.erase(pending_.begin(),
                               pending_.begin() + static_cast<std::ptrdiff_t>(take));
                n += take;
            }
            break;
        }
    }
    return n;
}

}  // namespace k4
