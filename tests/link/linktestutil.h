// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers for tests that watch the link thread from outside.
#include "core/devicetable.h"

#include <chrono>
#include <functional>
#include <thread>

namespace k4test {

// Polls pred until it holds or timeout passes; true when it held. For waiting on another thread,
// never for judging speed.
inline bool WaitUntil(const std::function<bool()>& pred,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Fills the next slot with a complete device (views 100+slot and 200+slot) and publishes it the
// way loading does: in-use flag set, then LastIndex raised over it. Returns the slot.
inline int AddLoadedDevice(k4::DeviceTable& table, std::uint8_t id, bool inUse = true) {
    const int slot = table.lastIndex() + 1;
    k4::DeviceRecord& r = table[slot];
    r.DevID.store(id);
    r.Panel.store(100 + static_cast<k4::PanelHandle>(slot));
    r.Node.store(200 + static_cast<k4::NodeHandle>(slot));
    r.DeviceName = QStringLiteral("Device %1").arg(id);
    r.flags.store(inUse ? k4::kInUseFlag : 0, std::memory_order_release);
    table.setLastIndex(slot);
    return slot;
}

}  // namespace k4test
