// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>

namespace k4 {

// What one row of the history tells. The numbers are stored in the file: never renumber one,
// only add new ones inside their group's range (the group filter reads the ranges).
enum class HistoryKind : int {
    // The line (1..19)
    ConsoleStarted = 1,  // the history opened: nothing was polled before this
    LineOpened = 2,
    LineCannotOpen = 3,
    LineLost = 4,
    LineBack = 5,
    LineClosed = 6,
    // The devices (20..39)
    DeviceFailing = 20,
    DeviceBack = 21,
    AttentionRaised = 22,
    AttentionCleared = 23,
    // The operator (40..79)
    WorkspaceOpened = 40,
    WorkspaceSaved = 41,
    WorkspaceClosed = 42,
    DeviceAdded = 43,
    DeviceEdited = 44,
    DeviceDeleted = 45,
    KeySent = 46,
    MacroStarted = 47,
    MacroEnded = 48,
    PortChanged = 49,
    ReadOnlySet = 50,
    ReadOnlyCleared = 51,
};

enum class HistoryGroup : std::uint8_t { All, Line, Devices, Operator };

// The range of kind numbers a group covers, both ends included.
struct KindRange {
    int first;
    int last;
};
KindRange GroupKinds(HistoryGroup group);
HistoryGroup GroupOf(HistoryKind kind);

// "Line lost", "Key sent": the kind as the window's table shows it.
QString KindText(HistoryKind kind);
// The failures among the kinds: shown in the panels' red.
bool IsFailureKind(HistoryKind kind);

inline constexpr int kNoDevice = -1;

// One event as it is kept.
struct HistoryRow {
    qint64 id = 0;  // given by the file; 0 until written
    qint64 utcMs = 0;
    HistoryKind kind = HistoryKind::ConsoleStarted;
    int device = kNoDevice;  // the device's ID then, or kNoDevice
    QString deviceName;      // its name then
    QString workspace;       // the workspace file open then; empty when none
    QString text;
};

// "ID=5 Encoder A", or empty for a row about no device.
QString RowDeviceLabel(const HistoryRow& row);

}  // namespace k4
