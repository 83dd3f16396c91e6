// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/frame.h"

namespace k4 {

std::uint8_t FrameCheck(std::uint8_t address, std::uint8_t key) {
    const unsigned sum = (kFrameLead + address + key) & 0xFFu;
    return static_cast<std::uint8_t>((sum ^ 0x7Bu) & 0x7Fu);
}

RequestFrame MakeRequest(std::uint8_t address, std::uint8_t key) {
    return {kFrameLead, address, key, FrameCheck(address, key)};
}

ReplyKind ClassifyReply(std::size_t n) {
    if (n == kDisplayReplySize) {
        return ReplyKind::Display;
    }
    if (n == kTwoByteReplySize) {
        return ReplyKind::TwoByte;
    }
    return ReplyKind::Failure;
}

}  // namespace k4
