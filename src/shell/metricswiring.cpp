// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/metricswiring.h"

#include "metrics/metricsexporter.h"
#include "state/appstate.h"

#include <QPointer>
#include <QStatusBar>

namespace k4 {

MetricsExporter* StartMetrics(QObject* parent, QStatusBar* statusBar) {
    AppState& app = App();
    MetricsSources sources;
    sources.table = [] { return static_cast<const DeviceTable*>(App().Devices); };
    sources.workspaceFile = [] { return App().workspaceOpen() ? App().WorkspacePath : QString(); };
    sources.polls = &app.Link.pollCounters();
    sources.events = &app.Views.events();
    sources.line = app.Views.lineState();
    auto* exporter = new MetricsExporter(std::move(sources), parent);
    QObject::connect(exporter, &MetricsExporter::statusChanged, exporter,
                     [exporter, bar = QPointer<QStatusBar>(statusBar)] {
                         const QString problems = ExportProblems(exporter->status());
                         if (!bar) {
                             return;
                         }
                         if (!problems.isEmpty()) {
                             bar->showMessage(problems);
                         } else if (bar->currentMessage().startsWith(QStringLiteral("metrics: "))) {
                             bar->clearMessage();  // the problem it showed is over
                         }
                     });
    exporter->apply(ReadMetricsSettings(app.SettingsPath));
    return exporter;
}

}  // namespace k4
