#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

namespace k4 {

// A key command as the ring holds it: device address in the high byte, key code in the low byte.
struct KeyCommand {
    std::uint8_t address;
    std::uint8_t key;
};

// The key commands queued by the panels for the link thread: one producer (the GUI thread), one
// consumer (the link thread), no lock. 17 slots hold at most 16 pending commands, so equal
// indices always mean empty; a command offered to a full ring is refused rather than wrapping
// the ring into one that reads as empty.
class CommandRing {
public:
    static constexpr int kSlots = 17;
    static constexpr int kCapacity = kSlots - 1;

    // Producer: stores the command, then publishes it by advancing RingHead. False when full.
    bool push(std::uint8_t address, std::uint8_t key);
    // Consumer: the oldest pending command, if any; advances RingTail once the slot is read.
    std::optional<KeyCommand> pop();

    bool empty() const;
    int pending() const;
    // Empties the ring; only while neither side runs (the link is starting).
    void reset();

    std::int8_t head() const { return RingHead.load(std::memory_order_acquire); }
    std::int8_t tail() const { return RingTail.load(std::memory_order_acquire); }

private:
    static std::int8_t next(std::int8_t i) {
        return static_cast<std::int8_t>(i + 1 == kSlots ? 0 : i + 1);
    }

    std::array<std::uint16_t, kSlots> Ring{};
    std::atomic<std::int8_t> RingHead{0};  // slot the next push writes; the producer's alone
    std::atomic<std::int8_t> RingTail{0};  // slot the next pop reads; the consumer's alone
};

}  // namespace k4
