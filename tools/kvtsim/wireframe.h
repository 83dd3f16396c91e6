// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The simulator's own reading of the request frames on the line. It is written apart from the
// console's link code on purpose: each side checks the other.
namespace kvtsim {

inline constexpr std::uint8_t kLeadByte = 0xFD;
inline constexpr std::size_t kRequestSize = 4;

// ((lead + address + key) mod 256) XOR 0x7B, low 7 bits kept.
std::uint8_t RequestCheck(std::uint8_t address, std::uint8_t key);
std::array<std::uint8_t, kRequestSize> MakeRequest(std::uint8_t address, std::uint8_t key);

enum class FrameVerdict {
    Good,       // lead, address, key and check all sound
    BadCheck,   // four bytes with a wrong check byte
    BadLead,    // bytes that are not the start of a frame (line noise, the rest of a broken frame)
    BadByte,    // a byte with its top bit set where only 7-bit values belong
    Truncated,  // a frame cut short by the next lead byte
};

struct ReceivedFrame {
    FrameVerdict verdict = FrameVerdict::Good;
    std::vector<std::uint8_t> bytes;  // as received; four for a whole frame
    std::uint8_t address = 0;         // meaningful when bytes.size() > 1
    std::uint8_t key = 0;             // meaningful when bytes.size() > 2
};

std::string FormatBytes(const std::vector<std::uint8_t>& bytes);

// Cuts the received byte stream into frames. Bytes may arrive in any split; whatever does not form
// a sound frame is reported as bad, and reading starts again at the next lead byte.
class FrameReader {
public:
    std::vector<ReceivedFrame> Feed(const std::uint8_t* data, std::size_t size);
    // Bytes of an unfinished frame waiting for the rest.
    std::size_t PendingBytes() const { return partial_.size(); }

private:
    void FlushNoise(std::vector<ReceivedFrame>& out);
    void AcceptFrameByte(std::uint8_t byte, std::vector<ReceivedFrame>& out);

    std::vector<std::uint8_t> partial_;  // starts with the lead byte when not empty
    std::vector<std::uint8_t> noise_;    // bytes seen while hunting for a lead byte
};

}  // namespace kvtsim
