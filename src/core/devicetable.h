// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/devicehealth.h"

#include <QString>

#include <atomic>
#include <cstdint>

namespace k4 {

// Opaque identities of a device's views. The GUI hands them out and maps them back to its
// windows; the link thread only carries them. A handle is never reused within a run, so an
// update still in flight for a closed window cannot land on the window that took over its slot.
using PanelHandle = std::uint64_t;
using NodeHandle = std::uint64_t;
inline constexpr std::uint64_t kNoHandle = 0;

// Hands out a fresh handle, unique for the whole run (thread safe).
std::uint64_t NewViewHandle();

inline constexpr std::uint8_t kInUseFlag = 0x01;

// One device of the workspace. The fields the link thread reads or writes are atomics; the rest
// belong to the GUI thread alone.
struct DeviceRecord {
    std::atomic<PanelHandle> Panel{kNoHandle};
    std::atomic<NodeHandle> Node{kNoHandle};
    std::atomic<std::uint8_t> DevID{0};
    std::atomic<std::uint8_t> CommError{0};
    std::atomic<std::uint8_t> Attention{0};
    QString DeviceName;
    QString Skin;
    std::uint32_t LCDColor = 0;
    std::uint32_t LCDBackColor = 0;
    std::int32_t Top = 0;
    std::int32_t Left = 0;
    std::atomic<std::uint8_t> flags{0};
    // Written by the link thread on every exchange; shown, never saved.
    DeviceHealth Health;

    DeviceRecord() = default;
    DeviceRecord(const DeviceRecord&) = delete;
    DeviceRecord& operator=(const DeviceRecord&) = delete;

    bool inUse() const { return (flags.load(std::memory_order_acquire) & kInUseFlag) != 0; }
    bool isEmpty() const;
    void clear();
    void copyFrom(const DeviceRecord& other);
};

// "ID=5 Encoder A": the tree label of a device and the caption of its panel.
QString DeviceLabel(std::uint8_t devId, const QString& name);

// The 128 slots of the open workspace. Slots 0..LastIndex are the devices in tree, poll and file
// order; slot LastIndex+1 always exists and is empty. The link thread reads LastIndex, DevID,
// flags, Panel and Node and writes the two latches; the GUI thread publishes with release stores (a
// new slot's in-use flag last, LastIndex raised over a loaded slot after its views exist).
class DeviceTable {
public:
    static constexpr int kSlots = 128;
    static constexpr int kMaxDevices = 127;

    DeviceRecord& operator[](int i) { return slots_[i]; }
    const DeviceRecord& operator[](int i) const { return slots_[i]; }

    int lastIndex() const { return lastIndex_.load(std::memory_order_acquire); }
    void setLastIndex(int i) { lastIndex_.store(i, std::memory_order_release); }
    int count() const { return lastIndex() + 1; }
    bool isFull() const { return count() >= kMaxDevices; }

    // Data side of Add: raises LastIndex, then fills the reserved slot with a new device's
    // values. The in-use flag is left clear (see markInUse). Returns the slot, -1 when full.
    int append(NodeHandle node, PanelHandle panel);
    void markInUse(int i);

    // Closes the gap left by slot i: clears its flags, moves every later slot down by one and
    // empties the old last slot. Runs with the link stopped; the caller closes the views first.
    void remove(int i);

    // Empties every slot and sets LastIndex to -1.
    void reset();

    int indexOfNode(NodeHandle node) const;     // from LastIndex down; -1 for none or kNoHandle
    int indexOfAddress(std::uint8_t id) const;  // lowest slot in 0..LastIndex with that DevID
    int indexOfPanel(PanelHandle panel) const;  // from slot 0 upward; -1 when none

private:
    DeviceRecord slots_[kSlots];
    std::atomic<int> lastIndex_{-1};
};

}  // namespace k4
