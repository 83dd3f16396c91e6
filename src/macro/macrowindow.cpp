// SPDX-License-Identifier: GPL-3.0-or-later
#include "macro/macrowindow.h"

#include "macro/programmacros.h"
#include "macro/twmacro.h"
#include "state/appstate.h"
#include "state/devicelistchanges.h"

#include <QAction>
#include <QMdiSubWindow>

namespace k4 {

void ToggleMacroWindow(QAction& menuItem, QMdiArea& area, const DeviceTable* table) {
    if (auto* window = qobject_cast<TWMacro*>(App().WMacro.data())) {
        if (QMdiSubWindow* sub = window->subWindow()) {
            delete sub;
        } else {
            delete window;
        }
        menuItem.setChecked(false);
        return;
    }
    TWMacro::Create(area, table, &menuItem);
    menuItem.setChecked(true);
    // The window shows the open workspace's devices, whatever changes them after it opened.
    SetDeviceListListener([] {
        if (auto* open = qobject_cast<TWMacro*>(App().WMacro.data())) {
            open->devicesChanged(App().Devices);
        }
    });
}

void MacroNamesReplaced() {
    if (auto* window = qobject_cast<TWMacro*>(App().WMacro.data())) {
        window->namesReplaced();
    }
    MacrosChanged();
}

}  // namespace k4
