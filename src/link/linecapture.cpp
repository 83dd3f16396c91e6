// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/linecapture.h"

#include "link/frame.h"

#include <algorithm>
#include <cstring>

namespace k4 {

namespace {

static_assert(kCapturedRequestSize == kRequestSize && kCapturedReplySize == kDisplayReplySize);

// The slot layout: wall clock; request, kind, reply length and probe mark; latency; the reply.
constexpr std::size_t kWallWord = 0;
constexpr std::size_t kHeadWord = 1;
constexpr std::size_t kLatencyWord = 2;
constexpr std::size_t kReplyWord = 3;

std::int64_t WallUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

CaptureKind KindOfLength(std::size_t n) {
    switch (ClassifyReply(n)) {
        case ReplyKind::Display:
            return CaptureKind::Display;
        case ReplyKind::TwoByte:
            return CaptureKind::TwoByte;
        case ReplyKind::Failure:
            break;
    }
    return n == 0 ? CaptureKind::NoReply : CaptureKind::Bad;
}

}  // namespace

LineCapture::LineCapture() : slots_(std::make_unique<Slot[]>(kCapacity)) {}

LineCapture::~LineCapture() = default;

void LineCapture::recordExchange(const CapturedRequest& request, const std::uint8_t* reply,
                                 std::size_t n, SteadyClock::time_point sentAt,
                                 SteadyClock::time_point lastByteAt, bool probe) {
    CapturedEntry entry;
    entry.wallUs = WallUs();
    entry.kind = KindOfLength(n);
    entry.request = request;
    entry.probe = probe;
    entry.replyLength = static_cast<std::uint8_t>(std::min(n, kDisplayReplySize));
    std::copy_n(reply, entry.replyLength, entry.reply.begin());
    if (n > 0) {
        const auto us =
            std::chrono::duration_cast<std::chrono::microseconds>(lastByteAt - sentAt).count();
        entry.latencyUs = static_cast<std::int32_t>(std::max<std::int64_t>(us, 0));
    }
    write(entry);
}

void LineCapture::recordNotSent(const CapturedRequest& request, bool probe) {
    CapturedEntry entry;
    entry.wallUs = WallUs();
    entry.kind = CaptureKind::NotSent;
    entry.request = request;
    entry.probe = probe;
    write(entry);
}

void LineCapture::write(const CapturedEntry& entry) {
    const std::uint64_t index = written_.load(std::memory_order_relaxed);
    // Announced before the slot is touched: a reader that copied this slot meanwhile sees that
    // it was being written over (each word's release store below orders this one ahead of it).
    started_.store(index + 1, std::memory_order_relaxed);

    std::array<std::uint64_t, kWords> words{};
    words[kWallWord] = static_cast<std::uint64_t>(entry.wallUs);
    std::uint32_t request = 0;
    std::memcpy(&request, entry.request.data(), sizeof request);
    words[kHeadWord] = request | (std::uint64_t{static_cast<std::uint8_t>(entry.kind)} << 32) |
                       (std::uint64_t{entry.replyLength} << 40) |
                       (std::uint64_t{entry.probe ? 1u : 0u} << 48);
    words[kLatencyWord] = static_cast<std::uint64_t>(static_cast<std::int64_t>(entry.latencyUs));
    std::memcpy(&words[kReplyWord], entry.reply.data(), entry.reply.size());

    Slot& slot = slots_[index % kCapacity];
    for (std::size_t i = 0; i < kWords; ++i) {
        slot.words[i].store(words[i], std::memory_order_release);
    }
    latest_[entry.address()] = index + 1;
    written_.store(index + 1, std::memory_order_release);
}

void LineCapture::copySlot(std::uint64_t index, CapturedEntry& out) const {
    const Slot& slot = slots_[index % kCapacity];
    std::array<std::uint64_t, kWords> words{};
    for (std::size_t i = 0; i < kWords; ++i) {
        words[i] = slot.words[i].load(std::memory_order_acquire);
    }
    out = CapturedEntry{};
    out.wallUs = static_cast<std::int64_t>(words[kWallWord]);
    const auto request = static_cast<std::uint32_t>(words[kHeadWord]);
    std::memcpy(out.request.data(), &request, sizeof request);
    out.kind = static_cast<CaptureKind>((words[kHeadWord] >> 32) & 0xFF);
    out.replyLength = static_cast<std::uint8_t>((words[kHeadWord] >> 40) & 0xFF);
    out.probe = ((words[kHeadWord] >> 48) & 1) != 0;
    out.latencyUs = static_cast<std::int32_t>(static_cast<std::int64_t>(words[kLatencyWord]));
    std::memcpy(out.reply.data(), &words[kReplyWord], out.reply.size());
}

bool LineCapture::latestFor(std::uint8_t address, CapturedEntry& out) const {
    const std::uint64_t index = latest_[address];
    const std::uint64_t written = written_.load(std::memory_order_relaxed);
    if (index == 0 || written - (index - 1) > kCapacity) {
        return false;
    }
    copySlot(index - 1, out);
    return true;
}

void LineCapture::recordLine(const LineState& state) {
    CapturedEntry entry;
    entry.wallUs = WallUs();
    entry.kind = CaptureKind::Line;
    entry.line = state.condition;
    entry.device = state.device;
    std::lock_guard lock(lineMutex_);
    entry.reopened =
        state.condition == LineCondition::Open &&
        (lastCondition_ == LineCondition::Lost || lastCondition_ == LineCondition::CannotOpen);
    lastCondition_ = state.condition;
    lineEvents_.push_back({written_.load(std::memory_order_relaxed), std::move(entry)});
    ++lineEventCount_;
    if (lineEvents_.size() > kLineEvents) {
        lineEvents_.pop_front();
    }
}

LineCapture::Cursor LineCapture::end() const {
    std::lock_guard lock(lineMutex_);
    return {written_.load(std::memory_order_acquire), lineEventCount_};
}

std::size_t LineCapture::readSince(Cursor& cursor, std::vector<CapturedEntry>& out) const {
    const std::size_t before = out.size();
    // The line's events first, under their lock; the exchanges they come between are read after.
    std::vector<LineEvent> events;
    std::uint64_t eventCount = 0;
    const std::uint64_t written = written_.load(std::memory_order_acquire);
    {
        std::lock_guard lock(lineMutex_);
        eventCount = lineEventCount_;
        const std::uint64_t firstHeld = lineEventCount_ - lineEvents_.size();
        for (std::uint64_t n = std::max(cursor.lineEvents, firstHeld); n < lineEventCount_; ++n) {
            const LineEvent& event = lineEvents_[static_cast<std::size_t>(n - firstHeld)];
            // One recorded after the exchanges read here waits for the next batch.
            if (event.afterExchanges > written) {
                eventCount = n;
                break;
            }
            events.push_back(event);
        }
    }

    const std::uint64_t from =
        std::max(cursor.exchanges, written > kCapacity ? written - kCapacity : 0);
    std::vector<CapturedEntry> exchanges(static_cast<std::size_t>(written - from));
    for (std::uint64_t i = from; i < written; ++i) {
        copySlot(i, exchanges[static_cast<std::size_t>(i - from)]);
    }
    // Slots the writer has started over since they were copied hold a mix: they fell off. The
    // acquire loads of the copy order this load after them, so a word from a newer writing means
    // started_ is seen past that slot.
    const std::uint64_t started = started_.load(std::memory_order_relaxed);
    const std::uint64_t firstIntact = started > kCapacity ? started - kCapacity : 0;

    auto event = events.begin();
    for (std::uint64_t i = from; i < written; ++i) {
        for (; event != events.end() && event->afterExchanges <= i; ++event) {
            out.push_back(std::move(event->entry));
        }
        if (i >= firstIntact) {
            out.push_back(std::move(exchanges[static_cast<std::size_t>(i - from)]));
        }
    }
    for (; event != events.end(); ++event) {
        out.push_back(std::move(event->entry));
    }
    cursor = {written, eventCount};
    return out.size() - before;
}

}  // namespace k4
