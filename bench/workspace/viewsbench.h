// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace k4bench {

// Times the workspace operations with their windows (manager, tree, panels) in an offscreen
// frame: load, save and close, for workspaces of 1 to 127 devices. Needs a QApplication.
void RunViewsBench(const QString& folder, int runs);

}  // namespace k4bench
