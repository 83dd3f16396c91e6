// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/linequiet.h"

#include <array>
#include <cstdint>

namespace k4 {

void AwaitQuietLine(SerialIo& port) {
    std::array<std::uint8_t, kQuietReadSize> sink{};
    const auto deadline = std::chrono::steady_clock::now() + kQuietBound;
    int quietWindows = 0;
    while (quietWindows < kQuietWindows && std::chrono::steady_clock::now() < deadline) {
        quietWindows = port.read(sink.data(), sink.size()) == 0 ? quietWindows + 1 : 0;
    }
    port.purgeReceive();
}

}  // namespace k4
