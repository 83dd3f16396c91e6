// SPDX-License-Identifier: GPL-3.0-or-later
#include "macro/macroparts.h"

#include "core/devicetable.h"
#include "core/textlimit.h"

#include <algorithm>
#include <limits>

namespace k4 {

bool MacroNameFits(const QString& name) {
    // The reader takes off any quotes the writer wraps a value in before it cuts, so only the
    // text's own bytes count, as the file holds them at most.
    return BytesAsWritten(name) <= kMacroNameMaxBytes;
}

QSize FittedClientSize(const QList<QRect>& visibleControls) {
    if (visibleControls.isEmpty()) {
        return {};
    }
    int left = std::numeric_limits<int>::max();
    int top = std::numeric_limits<int>::max();
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive
    for (const QRect& r : visibleControls) {
        left = std::min(left, r.left());
        top = std::min(top, r.top());
        right = std::max(right, r.left() + r.width());
        bottom = std::max(bottom, r.top() + r.height());
    }
    return {right + std::max(left, 0), bottom + std::max(top, 0)};
}

std::vector<DeviceListEntry> SnapshotDeviceList(const DeviceTable* table) {
    std::vector<DeviceListEntry> rows;
    if (table == nullptr) {
        return rows;
    }
    const int last = table->lastIndex();
    rows.reserve(static_cast<std::size_t>(std::max(last + 1, 0)));
    for (int k = 0; k <= last; ++k) {
        const DeviceRecord& r = (*table)[k];
        // Signed, as the device label and the tree show it.
        const auto id = static_cast<std::int8_t>(r.DevID.load(std::memory_order_relaxed));
        rows.push_back({QString::number(id), r.DeviceName});
    }
    return rows;
}

MacroWindowState& MacroState() {
    static MacroWindowState state;
    return state;
}

}  // namespace k4
