#include "link/commandring.h"

namespace k4 {

bool CommandRing::push(std::uint8_t address, std::uint8_t key) {
    const std::int8_t head = RingHead.load(std::memory_order_relaxed);
    const std::int8_t after = next(head);
    if (after == RingTail.load(std::memory_order_acquire)) {
        return false;
    }
    Ring[static_cast<std::size_t>(head)] = static_cast<std::uint16_t>((address << 8) | key);
    RingHead.store(after, std::memory_order_release);
    return true;
}

std::optional<KeyCommand> CommandRing::pop() {
    const std::int8_t tail = RingTail.load(std::memory_order_relaxed);
    if (tail == RingHead.load(std::memory_order_acquire)) {
        return std::nullopt;
    }
    const std::uint16_t slot = Ring[static_cast<std::size_t>(tail)];
    RingTail.store(next(tail), std::memory_order_release);
    return KeyCommand{static_cast<std::uint8_t>(slot >> 8), static_cast<std::uint8_t>(slot & 0xFF)};
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
    Ring.fill(0);
    RingHead.store(0, std::memory_order_release);
    RingTail.store(0, std::memory_order_release);
}

}  // namespace k4
