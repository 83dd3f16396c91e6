// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/workspacefile.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

namespace k4 {

class DeviceTable;

// The longest macro name the workspace file gives back whole, counted in the bytes it is
// written in.
inline constexpr int kMacroNameMaxBytes = kMacroNameBytes;

// Whether name survives a save and a load unchanged in length.
bool MacroNameFits(const QString& name);

// The client size of a window that fits its visible controls: their common bounding box, with the
// margin the nearest control keeps from the top-left corner kept on the right and bottom too.
// Empty for no controls.
QSize FittedClientSize(const QList<QRect>& visibleControls);

// One row of the macro window's device list, copied out of the device table.
struct DeviceListEntry {
    QString id;  // the device ID in decimal, signed as the device label shows it
    QString name;

    bool operator==(const DeviceListEntry&) const = default;
};

// Slots 0 to the last-used index of table, as the device list shows them; empty without a table.
// Nothing in the result refers back into the table.
std::vector<DeviceListEntry> SnapshotDeviceList(const DeviceTable* table);

// What the macro window remembers across its own lifetime: it starts at 0 when the program
// starts and keeps its values while no window exists. Rows and columns are grid numbers (the
// device list's header is row 0); -1 stands for no cell under the mouse.
struct MacroWindowState {
    int nameRow = 0;          // highlighted row of the name list
    int deviceRow = 0;        // highlighted row of the device list
    int nameMouseColumn = 0;  // column under the mouse at the last release in the name list
    int deviceMouseRow = 0;   // row under the mouse at the last press in the device list
};

// The program's single instance.
MacroWindowState& MacroState();

}  // namespace k4
