// Prints how long saving and loading a workspace takes for 1 to 127 devices.
// Usage: workspace_bench [runs]
#include "filebench.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 25;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "workspace_bench: no temporary folder\n");
        return 1;
    }
    k4bench::RunFileBench(dir.path(), runs);
    return 0;
}
