// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "port/serialio.h"

#include <chrono>
#include <cstddef>

namespace k4 {

// The line counts as quiet after this many read windows in a row without a byte...
inline constexpr int kQuietWindows = 2;
// ...and a line that keeps talking is given up on after this long (the read in progress then
// ends too), so a babbling device cannot hold the link thread; the next request's purge drops
// whatever it still sends.
inline constexpr std::chrono::milliseconds kQuietBound{150};
// Each read of the wait asks for more than a reply, so it ends at a gap in the talk rather than at
// a full buffer.
inline constexpr std::size_t kQuietReadSize = 64;

// After an exchange that got no reply or only part of one, the device may still be answering (it
// answered late, or paused inside its reply). Reads and drops what comes until the line has been
// quiet for kQuietWindows read windows, or kQuietBound has passed, so the reply to the next
// request is the next device's own and never the tail of this one's.
void AwaitQuietLine(SerialIo& port);

}  // namespace k4
