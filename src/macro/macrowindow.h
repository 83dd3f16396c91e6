// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QAction;
class QMdiArea;

namespace k4 {

class DeviceTable;

// The menu item's command: closes the macro window at once when one exists (its close handler
// does not run), otherwise opens a new one listing table's devices. Whether the window exists
// decides, not the item's check mark, and the mark is set to match.
void ToggleMacroWindow(QAction& menuItem, QMdiArea& area, const DeviceTable* table);

// The program's macro names and contents were replaced wholesale; an open macro window follows.
void MacroNamesReplaced();

}  // namespace k4
