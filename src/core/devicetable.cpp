// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/devicetable.h"

namespace k4 {

std::uint64_t NewViewHandle() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

bool DeviceRecord::isEmpty() const {
    return Panel.load() == kNoHandle && Node.load() == kNoHandle && DevID.load() == 0 &&
           CommError.load() == 0 && Attention.load() == 0 && DeviceName.isEmpty() &&
           Skin.isEmpty() && LCDColor == 0 && LCDBackColor == 0 && Top == 0 && Left == 0 &&
           flags.load() == 0 && Health.isClear();
}

void DeviceRecord::clear() {
    flags.store(0, std::memory_order_release);
    Panel.store(kNoHandle);
    Node.store(kNoHandle);
    DevID.store(0);
    CommError.store(0);
    Attention.store(0);
    DeviceName.clear();
    Skin.clear();
    LCDColor = 0;
    LCDBackColor = 0;
    Top = 0;
    Left = 0;
    Health.reset();
}

void DeviceRecord::copyFrom(const DeviceRecord& other) {
    Panel.store(other.Panel.load());
    Node.store(other.Node.load());
    DevID.store(other.DevID.load());
    CommError.store(other.CommError.load());
    Attention.store(other.Attention.load());
    DeviceName = other.DeviceName;
    Skin = other.Skin;
    LCDColor = other.LCDColor;
    LCDBackColor = other.LCDBackColor;
    Top = other.Top;
    Left = other.Left;
    Health.copyFrom(other.Health);
    flags.store(other.flags.load(), std::memory_order_release);
}

QString DeviceLabel(std::uint8_t devId, const QString& name) {
    // The ID prints as a signed 8-bit value, as the workspace file stores it.
    return QStringLiteral("ID=%1 %2")
        .arg(static_cast<int>(static_cast<std::int8_t>(devId)))
        .arg(name);
}

int DeviceTable::append(NodeHandle node, PanelHandle panel) {
    const int s = lastIndex() + 1;
    if (s >= kMaxDevices) {
        return -1;
    }
    // The slot is reserved before it is filled; without the in-use flag the link skips it.
    setLastIndex(s);
    DeviceRecord& r = slots_[s];
    r.Node.store(node);
    r.DevID.store(1);
    r.DeviceName = QStringLiteral("New device");
    r.CommError.store(0);
    r.Attention.store(0);
    r.Panel.store(panel);
    r.LCDColor = 0x00FF00;
    r.LCDBackColor = 0x000000;
    return s;
}

void DeviceTable::markInUse(int i) {
    slots_[i].flags.fetch_or(kInUseFlag, std::memory_order_release);
}

void DeviceTable::remove(int i) {
    const int last = lastIndex();
    if (i < 0 || i > last) {
        return;
    }
    slots_[i].flags.store(0, std::memory_order_release);
    for (int k = i; k <= last; ++k) {
        slots_[k].copyFrom(slots_[k + 1]);
    }
    slots_[last].flags.store(0, std::memory_order_release);
    setLastIndex(last - 1);
}

void DeviceTable::reset() {
    setLastIndex(-1);
    for (auto& r : slots_) {
        r.clear();
    }
}

int DeviceTable::indexOfNode(NodeHandle node) const {
    if (node == kNoHandle) {
        return -1;
    }
    for (int i = lastIndex(); i >= 0; --i) {
        if (slots_[i].Node.load(std::memory_order_acquire) == node) {
            return i;
        }
    }
    return -1;
}

int DeviceTable::indexOfAddress(std::uint8_t id) const {
    const int last = lastIndex();
    for (int i = 0; i <= last; ++i) {
        if (slots_[i].DevID.load(std::memory_order_acquire) == id) {
            return i;
        }
    }
    return -1;
}

int DeviceTable::indexOfPanel(PanelHandle panel) const {
    if (panel == kNoHandle) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        if (slots_[i].Panel.load(std::memory_order_acquire) == panel) {
            return i;
        }
    }
    return -1;
}

}  // namespace k4
