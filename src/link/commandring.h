// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace k4 {

// Who queued a command, so that it can be taken back and its end told to it: a macro run's
// ticket, or kNoOwner for a key nobody takes back (an operator's click on a panel).
using CommandOwner = std::uint32_t;
inline constexpr CommandOwner kNoOwner = 0;

struct KeyCommand {
    std::uint8_t address;
    std::uint8_t key;
    CommandOwner owner = kNoOwner;
};

// The key commands queued by the panels for the link thread: one producer (the GUI thread), one
// consumer (the link thread), no lock. 17 slots hold at most 16 pending commands, so equal
// indices always mean empty; a command offered to a full ring is refused rather than wrapping
// the ring into one that reads as empty.
//
// The producer may take back its owner's commands that the consumer has not taken yet. Each slot
// carries a live bit that both sides clear with one atomic operation: whichever clears it owns
// the command, so a command is either sent or taken back, never both and never lost between.
class CommandRing {
public:
    static constexpr int kSlots = 17;
    static constexpr int kCapacity = kSlots - 1;

    // Producer: stores the command, then publishes it by advancing RingHead. False when full.
    bool push(std::uint8_t address, std::uint8_t key, CommandOwner owner = kNoOwner);
    // Consumer: the oldest pending command, if any, passing over those taken back; advances
    // RingTail once the slot is read.
    std::optional<KeyCommand> pop();
    // Producer: takes back every pending command of owner the consumer has not taken, oldest
    // first; none of them will be popped. Their slots stay counted until the consumer passes
    // them. Nothing for kNoOwner.
    std::vector<KeyCommand> takeBack(CommandOwner owner);

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

    // Live bit, owner, address and key of one command; 0 once popped or taken back.
    static constexpr std::uint64_t kLive = std::uint64_t{1} << 63;
    std::array<std::atomic<std::uint64_t>, kSlots> Ring{};
    std::atomic<std::int8_t> RingHead{0};  // slot the next push writes; the producer's alone
    std::atomic<std::int8_t> RingTail{0};  // slot the next pop reads; the consumer's alone
};

}  // namespace k4
