// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace k4 {

// Every exchange opens with a 4-byte request: lead byte, device address, key code (0 polls the
// device for its display), check byte.
inline constexpr std::uint8_t kFrameLead = 0xFD;
inline constexpr std::size_t kRequestSize = 4;
// A display reply: one leading byte, the 48 display cells, two trailing bytes.
inline constexpr std::size_t kDisplayReplySize = 51;
inline constexpr std::size_t kTwoByteReplySize = 2;
inline constexpr std::uint8_t kPollKey = 0;
// Addresses run 0..127: a request byte other than the lead never has its top bit set, which is
// how a device finds the start of a frame.
inline constexpr std::uint8_t kMaxAddress = 0x7F;
// The top bit of the first display cell doubles as the device's attention bit.
inline constexpr std::uint8_t kAttentionBit = 0x80;
// The top bit of every display cell marks it highlighted: the panel draws it on red.
inline constexpr std::uint8_t kHighlightBit = 0x80;

using RequestFrame = std::array<std::uint8_t, kRequestSize>;

// ((lead + address + key) mod 256 XOR 0x7B), low 7 bits only: with addresses and keys below 128
// the lead is the only request byte with its top bit set.
std::uint8_t FrameCheck(std::uint8_t address, std::uint8_t key);
RequestFrame MakeRequest(std::uint8_t address, std::uint8_t key);

enum class ReplyKind { Display, TwoByte, Failure };

// What a read of n bytes means: 51 a display reply, 2 a two-byte reply, anything else (silence
// included) a communication failure.
ReplyKind ClassifyReply(std::size_t n);

}  // namespace k4
