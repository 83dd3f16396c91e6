// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/linescan.h"

#include "link/frame.h"
#include "link/linequiet.h"

#include <algorithm>
#include <array>

namespace k4 {

namespace {

constexpr int kRowCells = 24;

QString TopRow(const std::uint8_t* reply) {
    QString row(kRowCells, QLatin1Char(' '));
    for (int c = 0; c < kRowCells; ++c) {
        const auto code = static_cast<char16_t>(reply[1 + c] & 0x7F);
        row[c] = code >= 0x20 && code < 0x7F ? QChar(code) : QLatin1Char(' ');
    }
    return row;
}

// What a read of n bytes found; false when nothing answered.
bool FindingOf(std::uint8_t id, const std::uint8_t* reply, std::size_t n, ScanFinding& out) {
    if (n == 0) {
        return false;
    }
    out = ScanFinding{};
    out.id = id;
    switch (ClassifyReply(n)) {
        case ReplyKind::Display:
            out.answer = ScanFinding::Answer::Display;
            out.firstRow = TopRow(reply);
            break;
        case ReplyKind::TwoByte:
            out.answer = ScanFinding::Answer::TwoByte;
            break;
        case ReplyKind::Failure:
            out.answer = ScanFinding::Answer::Bad;
            out.length = static_cast<std::uint8_t>(n);
            break;
    }
    return true;
}

}  // namespace

QString ScanAnswerText(const ScanFinding& finding) {
    switch (finding.answer) {
        case ScanFinding::Answer::Display:
            return QStringLiteral("display reply: ") + finding.firstRow.trimmed();
        case ScanFinding::Answer::TwoByte:
            return QStringLiteral("two-byte reply");
        case ScanFinding::Answer::Bad:
            break;
    }
    return QStringLiteral("answers, bad reply (%1 bytes)").arg(finding.length);
}

QString FoundDeviceName(const ScanFinding& finding) {
    const QString name = finding.firstRow.trimmed();
    return name.isEmpty() ? QStringLiteral("Device %1").arg(finding.id) : name;
}

bool LineScan::start(int first, int last) {
    first = std::clamp(first, 0, static_cast<int>(kMaxAddress));
    last = std::clamp(last, 0, static_cast<int>(kMaxAddress));
    if (first > last) {
        return false;
    }
    std::lock_guard lock(mutex_);
    first_ = first;
    ++generation_;
    next_ = first;
    last_ = last;
    findings_.clear();
    address_.store(-1, std::memory_order_relaxed);
    done_.store(0, std::memory_order_relaxed);
    total_.store(last - first + 1, std::memory_order_relaxed);
    lineLost_.store(false, std::memory_order_relaxed);
    running_.store(true, std::memory_order_release);
    return true;
}

void LineScan::stop() {
    std::lock_guard lock(mutex_);
    finishLocked();
}

void LineScan::linkEnded() {
    stop();
}

void LineScan::lineLost() {
    std::lock_guard lock(mutex_);
    lineLost_.store(true, std::memory_order_relaxed);
    finishLocked();
}

void LineScan::finishLocked() {
    next_ = last_ + 1;
    running_.store(false, std::memory_order_release);
}

LineScan::Progress LineScan::progress() const {
    return {running_.load(std::memory_order_acquire), address_.load(std::memory_order_relaxed),
            done_.load(std::memory_order_relaxed), total_.load(std::memory_order_relaxed),
            lineLost_.load(std::memory_order_relaxed)};
}

std::vector<ScanFinding> LineScan::takeFindings() {
    std::lock_guard lock(mutex_);
    std::vector<ScanFinding> taken;
    taken.swap(findings_);
    return taken;
}

void LineScan::probeStep(const DeviceTable& table, SerialIo& port, LineCapture* capture) {
    std::uint8_t address = 0;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        // Addresses the workspace holds cost no tick: their own polls tell.
        while (next_ <= last_ && table.indexOfAddress(static_cast<std::uint8_t>(next_)) >= 0) {
            const auto held = static_cast<std::uint8_t>(next_);
            CapturedEntry seen;
            if (capture != nullptr && capture->latestFor(held, seen)) {
                ScanFinding finding;
                if (FindingOf(held, seen.reply.data(), seen.replyLength, finding)) {
                    finding.inWorkspace = true;
                    findings_.push_back(finding);
                }
            }
            address_.store(next_, std::memory_order_relaxed);
            done_.fetch_add(1, std::memory_order_relaxed);
            ++next_;
        }
        if (next_ > last_) {
            finishLocked();
            return;
        }
        generation = generation_;
        address = static_cast<std::uint8_t>(next_++);
        address_.store(address, std::memory_order_relaxed);
    }

    const RequestFrame request = MakeRequest(address, kPollKey);
    std::array<std::uint8_t, kDisplayReplySize> reply{};
    std::size_t n = 0;
    port.purgeReceive();
    if (!port.write(request.data(), request.size())) {
        if (capture != nullptr) {
            capture->recordNotSent(request, true);
        }
    } else {
        const auto sentAt = LineCapture::SteadyClock::now();
        n = port.read(reply.data(), reply.size());
        if (capture != nullptr) {
            capture->recordExchange(request, reply.data(), n, sentAt, port.lastByteAt(), true);
        }
    }
    const bool noReply = ClassifyReply(n) == ReplyKind::Failure;
    const bool cutShort = noReply && port.stopping();
    if (noReply && !cutShort) {
        // An address nobody should answer may still answer late: the workspace's next poll must
        // not take that for its own reply.
        AwaitQuietLine(port);
    }

    std::lock_guard lock(mutex_);
    if (generation != generation_) {
        return;
    }
    if (cutShort) {
        // The link's stop ended the wait: the address was not heard out, and the scan goes on
        // with the next link, from this address.
        if (next_ == address + 1) {
            next_ = address;
        }
        return;
    }
    ScanFinding finding;
    if (FindingOf(address, reply.data(), n, finding)) {
        findings_.push_back(finding);
    }
    done_.fetch_add(1, std::memory_order_relaxed);
    if (next_ > last_) {
        finishLocked();
    }
}

}  // namespace k4
