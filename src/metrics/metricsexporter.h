// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/linestate.h"
#include "link/pollcounters.h"
#include "metrics/metricsserver.h"
#include "metrics/metricssettings.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class QTimer;

namespace k4 {

class DeviceTable;
class LinkEventHub;
struct LinkEvent;

// Where the exporter finds what it reports; everything is read on the exporter's thread.
struct MetricsSources {
    std::function<const DeviceTable*()> table;  // the open workspace's table, null when none
    std::function<QString()> workspaceFile;     // empty when none is open
    const PollCounters* polls = nullptr;        // the link controller's; may be null
    LinkEventHub* events = nullptr;             // the line's turns; must outlive the exporter
    LineState line;                             // the line as it stands when the exporter is made
    std::string version;
};

// What the exporter is doing, for the dialog and the status line.
struct ExportStatus {
    QString address;  // the address served, or asked for
    bool serving = false;
    QString serveError;                // "cannot listen on ADDRESS: why"
    QString folder;                    // the text-file folder, empty when none
    QString textfileError;             // "cannot write FILE: why"
    std::int64_t lastScrapeUtcMs = 0;  // 0: never scraped
};

// The status line's message: the problems, each prefixed "metrics: "; empty when there are none.
QString ExportProblems(const ExportStatus& status);
// The dialog's account: serving or not, where, and the last scrape's time (nowUtcMs for "ago").
QString ExportStateText(const ExportStatus& status, std::int64_t nowUtcMs);

// Serves the console's metrics at an address and writes them for the node exporter's text-file
// collector, as the settings say. Works with a QCoreApplication alone: the console and the
// service both make one, on their main thread.
class MetricsExporter final : public QObject {
    Q_OBJECT
public:
    static constexpr int kTextfileIntervalMs = 15000;

    explicit MetricsExporter(MetricsSources sources, QObject* parent = nullptr);
    ~MetricsExporter() override;

    // Serves on the settings' address and writes into their folder from now on; an empty address
    // or folder stops that part. A failure shows in status(); the rest goes on.
    void apply(const MetricsSettings& settings);
    const ExportStatus& status() const { return status_; }
    // The exposition of this moment.
    std::string exposition() const;

    void setClientLimits(const ClientLimits& limits) { server_->setLimits(limits); }
    quint16 servingPort() const { return server_->port(); }

Q_SIGNALS:
    // The status changed (a bind or write failed or recovered, serving started or stopped).
    void statusChanged();

private:
    void noteEvent(const LinkEvent& event);
    void writeTextfile();
    void setTextfileError(const QString& error);
    // Tells the status's listeners, and the log once for each new set of problems.
    void reportProblems();

    MetricsSources sources_;
    MetricsServer* server_;
    QTimer* textfileTimer_;
    ExportStatus status_;
    QString reported_;  // the problems last written to the log
    LineState line_;
    std::uint64_t lineLosses_ = 0;
    int subscription_ = 0;
};

}  // namespace k4
