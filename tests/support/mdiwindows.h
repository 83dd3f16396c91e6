// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Counts the MDI child windows of one kind (device panels, the manager) in a frame's MDI area.
#include <QMdiArea>
#include <QMdiSubWindow>

namespace k4test {

template <typename Window>
int CountWindows(QMdiArea& area) {
    int n = 0;
    for (QMdiSubWindow* sub : area.subWindowList()) {
        n += qobject_cast<Window*>(sub->widget()) != nullptr ? 1 : 0;
    }
    return n;
}

}  // namespace k4test
