// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/deviceidrules.h"

#include "core/devicetable.h"

namespace k4 {

int ReadDeviceIdText(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : kUnreadableDeviceId;
}

int DeviceIdStepUp(int value) {
    const int v = value + 1;
    return (v < 0 || v > kHighestDeviceId) ? 0 : v;
}

int DeviceIdStepDown(int value) {
    const int v = value - 1;
    // 199 is what the unreadable value steps to: an unreadable field wraps like 0 does.
    return (v < 0 || v == kUnreadableDeviceId - 1) ? kHighestDeviceId : v;
}

DeviceIdCheck CheckDeviceId(int id, const DeviceTable* table, int editIndex) {
    if (id < 0 || id > kHighestDeviceId) {
        return DeviceIdCheck::OutOfRange;
    }
    if (table == nullptr) {
        return DeviceIdCheck::Accepted;
    }
    // Only slots 0..126 can ever be in use; the last slot always stays empty.
    for (int i = 0; i < DeviceTable::kMaxDevices; ++i) {
        if (i == editIndex) {
            continue;
        }
        const DeviceRecord& r = (*table)[i];
        if (r.inUse() && r.DevID.load(std::memory_order_relaxed) == id) {
            return DeviceIdCheck::Duplicate;
        }
    }
    return DeviceIdCheck::Accepted;
}

}  // namespace k4
