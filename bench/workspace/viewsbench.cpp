// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewsbench.h"

#include "benchtiming.h"
#include "benchworkspace.h"
#include "core/workspacefile.h"
#include "manager/kvtmanager.h"
#include "offlineprogram.h"
#include "state/appstate.h"
#include "workspace/workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QMdiArea>

#include <cstdio>

namespace k4bench {

namespace {

QString writeWorkspace(const QDir& dir, int devices) {
    const QString path = dir.filePath(QStringLiteral("views%1.DID").arg(devices));
    k4::WriteWorkspaceFile(path, BenchWorkspace(devices, QString(), QString()));
    return path;
}

}  // namespace

void RunViewsBench(const QString& folder, int runs) {
    // No line: the link runs and polls without a port, as on a machine without the devices.
    k4test::OfflineProgram program;
    k4::AppState& app = k4::App();
    const QDir dir(folder);

    std::printf("With the views, offscreen (%d runs each, median / slowest, ms)\n", runs);
    std::printf("%8s %18s %18s %18s\n", "devices", "load", "save", "close");
    for (int devices : {1, 8, 32, 64, 127}) {
        const QString path = writeWorkspace(dir, devices);
        std::vector<double> loads;
        std::vector<double> saves;
        std::vector<double> closes;
        // Each run loads into an empty frame, saves with one value changed (so the disk is
        // written), and closes. Each figure includes the events its command leaves for the
        // program's event loop (the polish of the new windows, their deferred deletion): left
        // queued, they would be walked by every later deletion, as no running program does.
        for (int run = 0; run < runs; ++run) {
            auto start = std::chrono::steady_clock::now();
            k4::LoadWorkspace(path);
            QCoreApplication::sendPostedEvents();
            loads.push_back(Since(start));
            app.Manager->setManagerGeometry(run % 50, 0, 178, 383);
            start = std::chrono::steady_clock::now();
            k4::SaveWorkspace(path);
            saves.push_back(Since(start));
            start = std::chrono::steady_clock::now();
            k4::CloseWorkspace();
            // Outside an event loop the deferred deletions go only when asked for by name.
            k4test::OfflineProgram::flush();
            QCoreApplication::sendPostedEvents();
            closes.push_back(Since(start));
            if (!app.Frame->mdiArea()->subWindowList().isEmpty()) {
                std::printf("windows left after a close: %d\n",
                            int(app.Frame->mdiArea()->subWindowList().size()));
                return;
            }
        }
        const Timing load = Summarize(loads);
        const Timing save = Summarize(saves);
        const Timing close = Summarize(closes);
        std::printf("%8d %8.3f / %7.3f %8.3f / %7.3f %8.3f / %7.3f\n", devices, load.median,
                    load.worst, save.median, save.worst, close.median, close.worst);
    }
    std::printf("\n");
}

}  // namespace k4bench
