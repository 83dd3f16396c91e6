// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/commandring.h"

namespace k4 {

namespace {

CommandOwner OwnerOf(std::uint64_t slot) {
    return static_cast<CommandOwner>(slot >> 16);
}

KeyCommand Unpack(std::uint64_t slot) {
    return KeyCommand{static_cast<std::uint8_t>(slot >> 8), static_cast<std::uint8_t>(slot & 0xFF),
                      OwnerOf(slot)};
}

}  // namespace

bool CommandRing::push(std::uint8_t address, std::uint8_t key, CommandOwner owner) {
    const std::int8_t head = RingHead.load(std::memory_order_relaxed);
    const std::int8_t after = next(head);
    if (after == RingTail.load(std::memory_order_acquire)) {
        return false;
    }
    const std::uint64_t slot =
        kLive | (std::uint64_t{owner} << 16) | static_cast<std::uint64_t>((address << 8) | key);
    Ring[static_cast<std::size_t>(head)].store(slot, std::memory_order_relaxed);
    RingHead.store(after, std::memory_order_release);
    return true;
}

std::optional<KeyCommand> CommandRing::pop() {
    for (;;) {
        const std::int8_t tail = RingTail.load(std::memory_order_relaxed);
        if (tail == RingHead.load(std::memory_order_acquire)) {
            return std::nullopt;
        }
        const std::uint64_t slot =
            Ring[static_cast<std::size_t>(tail)].exchange(0, std::memory_order_acq_rel);
        RingTail.store(next(tail), std::memory_order_release);
        if ((slot & kLive) != 0) {
            return Unpack(slot);
        }
    }
}

std::vector<KeyCommand> CommandRing::takeBack(CommandOwner owner) {
    std::vector<KeyCommand> taken;
    if (owner == kNoOwner) {
        return taken;
    }
    const std::int8_t head = RingHead.load(std::memory_order_relaxed);
    for (std::int8_t i = RingTail.load(std::memory_order_acquire); i != head; i = next(i)) {
        std::atomic<std::uint64_t>& cell = Ring[static_cast<std::size_t>(i)];
        std::uint64_t slot = cell.load(std::memory_order_acquire);
        // A failed exchange means the consumer popped it meanwhile: it goes out.
        if ((slot & kLive) != 0 && OwnerOf(slot) == owner &&
            cell.compare_exchange_strong(slot, 0, std::memory_order_acq_rel)) {
            taken.push_back(Unpack(slot));
        }
    }
    return taken;
}

bool CommandRing::empty() const {
    return RingHead.load(std::memory_order_acquire) == RingTail.load(std::memory_order_acquire);
}

int CommandRing::pending() const {
    const int head = RingHead.load(std::memory_order_acquire);
    const int tail = RingTail.load(std::memory_order_acquire);
    return (head - tail + kSlots) % kSlots;
}

void CommandRing::reset() {
    for (std::atomic<std::uint64_t>& slot : Ring) {
        slot.store(0, std::memory_order_relaxed);
    }
    RingHead.store(0, std::memory_order_release);
    RingTail.store(0, std::memory_order_release);
}

}  // namespace k4
