// SPDX-License-Identifier: GPL-3.0-or-later
#include "filebench.h"

#include "benchtiming.h"
#include "benchworkspace.h"
#include "core/profilefile.h"
#include "core/workspacefile.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace k4bench {

void RunFileBench(const QString& folder, int runs) {
    std::printf("Workspace file alone (%d runs each, median / slowest, ms)\n", runs);
    std::printf("%8s %18s %18s %18s %18s %10s\n", "devices", "save new file", "save over old",
                "load", "memory only", "file size");
    const QDir dir(folder);
    for (int devices : {1, 2, 4, 8, 16, 32, 64, 127}) {
        const k4::WorkspaceFileData data =
            BenchWorkspace(devices, QStringLiteral(" rack B"), QStringLiteral("blue.bmp"));
        const QString path = dir.filePath(QStringLiteral("bench%1.DID").arg(devices));
        const Timing fresh = Measure(runs, [&](int) {
            QFile::remove(path);
            k4::WriteWorkspaceFile(path, data);
        });
        k4::WorkspaceFileData moved = data;
        const Timing over = Measure(runs, [&](int run) {
            moved.ManTop = run + 1;  // one value changes, so every save writes the disk
            k4::WriteWorkspaceFile(path, moved);
        });
        std::size_t loaded = 0;
        const Timing load =
            Measure(runs, [&](int) { loaded += k4::ReadWorkspaceFile(path).Devices.size(); });
        QFile file(path);
        const qint64 size = file.size();
        const Timing memory = Measure(runs, [&](int) {
            k4::ProfileFile text = k4::ProfileFile::FromText({});
            k4::WriteWorkspaceProfile(text, path, data);
            loaded += k4::ReadWorkspaceProfile(text).Devices.size();
        });
        std::printf("%8d %8.3f / %7.3f %8.3f / %7.3f %8.3f / %7.3f %8.3f / %7.3f %10lld\n", devices,
                    fresh.median, fresh.worst, over.median, over.worst, load.median, load.worst,
                    memory.median, memory.worst, static_cast<long long>(size));
        if (loaded != static_cast<std::size_t>(devices) * 2u * static_cast<std::size_t>(runs)) {
            std::printf("  (loaded the wrong number of devices)\n");
        }
    }
    std::printf("Goal: save and load of 127 devices under 20 ms each.\n\n");
}

}  // namespace k4bench
