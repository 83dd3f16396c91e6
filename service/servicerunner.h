// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/devicetable.h"
#include "core/workspacefile.h"
#include "link/exchangeeffects.h"
#include "link/linkcontroller.h"
#include "link/linkeventhub.h"
#include "link/linkupdatequeue.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace k4 {

class HistoryKeeper;
class LinkPump;
class MetricsExporter;

// Reads a workspace file for the service: the file's devices, or why it cannot be used (a
// service has no operator to tell later, so a missing file is an error too).
struct WorkspaceRead {
    WorkspaceFileData data;
    QString error;  // empty when read: "is missing", "is not a regular file", ...
};
WorkspaceRead ReadServiceWorkspace(const QString& path);
// Fills a fresh table with the file's devices and publishes them to the link.
void FillTable(DeviceTable& table, const WorkspaceFileData& data);

// The console's watch over the line without a window: the settings and the workspace read as the
// console reads them, the link polling every device of the table, and the link's events handed
// on the main thread to everyone subscribed to events() (the service's log is one). Main thread
// only, with a Qt event loop running.
class ServiceRunner {
public:
    using LogSink = std::function<void(const QString& line)>;
    struct Config {
        QString settingsPath;
        QString workspacePath;  // empty: the settings file's LastFile
    };

    explicit ServiceRunner(LogSink log);
    ~ServiceRunner();  // stops a running link
    ServiceRunner(const ServiceRunner&) = delete;
    ServiceRunner& operator=(const ServiceRunner&) = delete;

    // Reads the settings and the workspace and starts the link. Returns why it cannot run, or an
    // empty string once it runs. The line need not be there: the link keeps trying it.
    QString start(const Config& config);
    // Reads the workspace file again and polls its devices from now on; a file that cannot be read
    // keeps the devices polled now and says so. False then.
    bool reload();
    // Stops the link (the exchange in flight ends first) and hands on every event it left.
    void stop();

    LinkEventHub& events() { return hub_; }
    const DeviceTable& table() const { return *table_; }
    const QString& workspacePath() const { return workspacePath_; }
    // The monitoring export, made at start; null before.
    MetricsExporter* metrics() const { return metrics_.get(); }
    // The service's history file: in the state folder systemd gives it (STATE_DIRECTORY), else
    // the user's, as the console keeps it.
    static QString HistoryPath();
    // "ID=5 Encoder A" for a device of the table, "ID=5" for an address it does not hold.
    QString labelOf(std::uint8_t address) const;

private:
    void startMetrics(const QString& settingsPath);
    void startHistory(const QString& settingsPath);

    // The link's effects on the main thread: no views, only the events.
    class EventTarget final : public NoEffects {
    public:
        explicit EventTarget(LinkEventHub& hub) : hub_(hub) {}
        void linkEvent(const LinkEvent& event) override { hub_.publish(event); }

    private:
        LinkEventHub& hub_;
    };

    LogSink log_;
    LinkEventHub hub_;
    EventTarget target_{hub_};
    LinkUpdateQueue queue_;
    std::unique_ptr<LinkPump> pump_;
    // Declared before the link, so a link still running never outlives its table.
    std::unique_ptr<DeviceTable> table_ = std::make_unique<DeviceTable>();
    LinkController link_;
    // Both read the table and the link's counters, so they go before both.
    std::unique_ptr<MetricsExporter> metrics_;
    std::unique_ptr<HistoryKeeper> history_;
    QString workspacePath_;
    std::uint8_t port_ = 1;
    int logToken_ = 0;
};

}  // namespace k4
