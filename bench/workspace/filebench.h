// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace k4bench {

// Times the workspace file on its own (no windows): save, save over the same file, load, and the
// in-memory part alone, for workspaces of 1 to 127 devices. Prints a table to stdout.
void RunFileBench(const QString& folder, int runs);

}  // namespace k4bench
