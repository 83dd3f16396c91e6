#include "link/linequiet.h"

#include <array>
#include <cstdint>

namespace k4 {

void AwaitQuietLine(SerialIo& port) {
    // Larger than a reply, so a read ends at a gap in the talk rather than at a full buffer.
    std::array<std::uint8_t, 64> sink{};
    const auto deadline = std::chrono::steady_clock::now() + kQuietBound;
    int quietWindows = 0;
    while (quietWindows < kQuietWindows && std::chrono::steady_clock::now() < deadline) {
        quietWindows = port.read(sink.data(), sink.size()) == 0 ? quietWindows + 1 : 0;
    }
    port.purgeReceive();
}

}  // namespace k4
