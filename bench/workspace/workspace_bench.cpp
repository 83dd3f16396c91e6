// SPDX-License-Identifier: GPL-3.0-or-later
// Prints how long saving and loading a workspace takes for 1 to 127 devices: the file alone, and
// with the manager, tree and panel windows (offscreen).
// Usage: workspace_bench [runs]
#include "filebench.h"
#include "state/titlebariconstyle.h"
#include "viewsbench.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    k4::InstallProgramStyle();  // as the program has it
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 25;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "workspace_bench: no temporary folder\n");
        return 1;
    }
    k4bench::RunFileBench(dir.path(), runs);
    k4bench::RunViewsBench(dir.path(), std::max(1, runs / 5));
    return 0;
}
