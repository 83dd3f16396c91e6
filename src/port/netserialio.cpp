// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/netserialio.h"

#include "port/linetiming.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <algorithm>

namespace k4 {

namespace {

using std::chrono::milliseconds;

// A terminal server that does not take the call (its name looked up included), or answer the
// line settings, within this is treated like a port that cannot be opened; the lost-line retry
// tries again later.
constexpr milliseconds kConnectTime{1000};
constexpr milliseconds kAnswerTime{1000};
// The longest a wait goes without looking whether the link is being stopped.
constexpr milliseconds kStopLook{20};

int SliceUntil(std::chrono::steady_clock::time_point deadline) {
    return std::min(WholeMillisecondsLeft(deadline), static_cast<int>(kStopLook.count()));
}

}  // namespace

NetSerialIo::NetSerialIo(QString address, milliseconds margin)
    : text_(std::move(address)), address_(ParseNetAddress(text_)), margin_(margin) {}

NetSerialIo::~NetSerialIo() {
    close();
}

bool NetSerialIo::open() {
    close();
    failed_ = false;
    lossReason_.clear();
    openError_.clear();
    if (!address_) {
        openError_ = NetAddressProblem(text_).toStdString();
        return false;
    }
    const bool opened = callFarEnd(Clock::now() + kConnectTime) && setLine();
    if (!opened) {
        if (!lossReason_.empty()) {
            openError_ = lossReason_;  // the far end broke a bound: that is the reason
        }
        if (stopping()) {
            openError_ = "stopped while opening";
        }
        close();
    }
    return opened;
}

bool NetSerialIo::callFarEnd(Clock::time_point deadline) {
    // A name is looked up first, within the call's own time; every address it gives is called
    // in turn, each given its share of the time left, so one that never answers cannot keep the
    // others from being tried.
    std::vector<QHostAddress> hosts;
    const QHostAddress literal(address_->host);
    if (!literal.isNull()) {
        hosts.push_back(literal);
    } else {
        HostLookup::Outcome outcome = HostLookup::Outcome::StillLooking;
        while (outcome == HostLookup::Outcome::StillLooking && Clock::now() < deadline &&
               !stopping()) {
            outcome = lookup_.wait(address_->host, milliseconds(SliceUntil(deadline)), hosts);
        }
        if (outcome == HostLookup::Outcome::NotFound) {
            openError_ = "host not found";
            return false;
        }
        if (outcome == HostLookup::Outcome::StillLooking) {
            openError_ = "still looking the host up";
            return false;
        }
    }
    openError_ = "no answer from the terminal server";
    for (std::size_t i = 0; i < hosts.size() && !stopping(); ++i) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            break;
        }
        const Clock::time_point until =
            Clock::now() + left / static_cast<Clock::duration::rep>(hosts.size() - i);
        socket_ = std::make_unique<QTcpSocket>();
        // Four-byte frames must leave at once, not wait for more to fill a segment.
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket_->setReadBufferSize(static_cast<qint64>(kReadBufferBytes));
        socket_->connectToHost(hosts[i], address_->port);
        while (socket_->state() != QAbstractSocket::ConnectedState &&
               socket_->state() != QAbstractSocket::UnconnectedState && Clock::now() < until &&
               !stopping()) {
            socket_->waitForConnected(SliceUntil(until));
        }
        if (socket_->state() == QAbstractSocket::ConnectedState) {
            openError_.clear();
            return true;
        }
        if (socket_->error() != QAbstractSocket::UnknownSocketError) {
            openError_ = socket_->errorString().toStdString();
        }
        socket_->abort();
    }
    return false;
}

bool NetSerialIo::setLine() {
    if (address_->scheme == NetScheme::RawTcp) {
        return true;
    }
    telnet_.emplace();
    opening_ = true;
    openingBytes_ = 0;
    const ComPortSettings wanted = KvtLineSettings();
    if (!sendRaw(telnet_->opening(wanted))) {
        return false;
    }
    // Bytes that keep coming do not move this: a far end that talks without answering is cut off.
    const Clock::time_point deadline = Clock::now() + kAnswerTime;
    while (!telnet_->settingsAnswered() && !telnet_->comPortRefused()) {
        if (Clock::now() >= deadline || stopping() || failed_) {
            openError_ = "the terminal server did not set the line";
            return false;
        }
        waitForBytes(deadline);
    }
    opening_ = false;
    // The far end answers with the settings in force: a line it could not set is no line.
    if (telnet_->comPortRefused() || !(telnet_->answeredSettings() == wanted)) {
        openError_ = "the terminal server did not set the line";
        return false;
    }
    pending_.clear();
    return !failed_;
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
    opening_ = false;
    pending_.clear();
}

bool NetSerialIo::isOpen() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

void NetSerialIo::drop(std::string reason) {
    if (!failed_) {
        lossReason_ = std::move(reason);
    }
    failed_ = true;
    if (socket_) {
        socket_->abort();
    }
    pending_.clear();
}

void NetSerialIo::noteLoss() {
    if (socket_ && !failed_ && socket_->state() != QAbstractSocket::ConnectedState) {
        failed_ = true;
        lossReason_ = socket_->errorString().toStdString();
    }
}

bool NetSerialIo::sendRaw(const std::vector<std::uint8_t>& bytes) {
    if (!isOpen()) {
        noteLoss();
        return false;
    }
    const qint64 queued = socket_->write(reinterpret_cast<const char*>(bytes.data()),
                                         static_cast<qint64>(bytes.size()));
    // Into the system's buffer at once; the wait below is for a far end that does not drain.
    socket_->flush();
    const Clock::time_point deadline = Clock::now() + kWriteBound;
    while (socket_->bytesToWrite() > 0 && isOpen() && Clock::now() < deadline && !stopping()) {
        socket_->waitForBytesWritten(SliceUntil(deadline));
    }
    noteLoss();
    if (failed_) {
        return false;
    }
    if (queued != static_cast<qint64>(bytes.size()) || socket_->bytesToWrite() > 0) {
        // Whatever is left would go out later, behind frames that were reported as failed: a
        // key the operator presses again would then reach the device twice.
        drop("a write to the terminal server did not complete");
        return false;
    }
    return true;
}

bool NetSerialIo::takeArrived() {
    const QByteArray arrived = socket_->readAll();
    if (!arrived.isEmpty()) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(arrived.constData());
        const auto size = static_cast<std::size_t>(arrived.size());
        pendingAt_ = Clock::now();
        if (telnet_) {
            std::vector<std::uint8_t> reply;
            telnet_->receive(bytes, size, pending_, reply);
            // Counted up to the answer: what follows it in the same piece is the line's.
            if (opening_ && (openingBytes_ += size) > kOpeningBytes &&
                !telnet_->settingsAnswered() && !telnet_->comPortRefused()) {
                drop("the terminal server sent more than " + std::to_string(kOpeningBytes) +
                     " bytes before it set the line");
                return false;
            }
            if (telnet_->overrun()) {
                drop("the terminal server sent a subnegotiation over " +
                     std::to_string(TelnetComPort::kMaxSubnegotiation) + " bytes");
                return false;
            }
            if (!reply.empty() && !sendRaw(reply)) {
                return false;
            }
        } else {
            pending_.insert(pending_.end(), bytes, bytes + size);
        }
    }
    noteLoss();
    return !failed_;
}

bool NetSerialIo::waitForBytes(Clock::time_point deadline) {
    for (;;) {
        if (!isOpen()) {
            noteLoss();
            return false;
        }
        if (socket_->bytesAvailable() > 0) {
            return takeArrived();
        }
        if (stopping()) {
            return false;
        }
        const int ms = SliceUntil(deadline);
        if (socket_->waitForReadyRead(ms)) {
            return takeArrived();
        }
        noteLoss();
        if (failed_ || ms == 0) {
            return false;
        }
    }
}

void NetSerialIo::purgeReceive() {
    if (!isOpen()) {
        noteLoss();
        return;
    }
    // Through the Telnet decoder all the same: a negotiation in the dropped bytes is answered.
    takeArrived();
    for (int round = 0; round < kPurgeRounds && isOpen() && socket_->waitForReadyRead(0); ++round) {
        if (!takeArrived()) {
            break;
        }
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
    const auto take = [&](std::size_t& n) {
        const std::size_t count = std::min(max - n, pending_.size());
        std::copy_n(pending_.begin(), count, buffer + n);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
        n += count;
        if (count > 0) {
            lastByteAt_ = pendingAt_;
        }
    };
    std::size_t n = 0;
    const Clock::time_point totalDeadline = Clock::now() + kReadTotal + margin_;
    Clock::time_point gapDeadline = totalDeadline;
    while (n < max) {
        if (!pending_.empty()) {
            // Everything taken in one go arrived together: no gap lies between those bytes. The
            // gap after them may hold the network's own delay between two pieces of a reply.
            take(n);
            gapDeadline = std::min(totalDeadline, pendingAt_ + kByteGap + margin_);
            continue;
        }
        const Clock::time_point until = n == 0 ? totalDeadline : gapDeadline;
        // Past the time this is one last look without waiting, as on a local port. A stop ends
        // the wait at once: with a wide margin a read may otherwise outlast StopLink's bound.
        const bool last = Clock::now() >= until;
        if (!waitForBytes(until)) {
            break;
        }
        if (last) {
            take(n);
            break;
        }
    }
    return n;
}

}  // namespace k4
