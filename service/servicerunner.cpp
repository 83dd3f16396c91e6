// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/servicerunner.h"

#include "core/profilefile.h"
#include "core/settingsfile.h"
#include "history/historykeeper.h"
#include "history/historysettings.h"
#include "link/linkpump.h"
#include "metrics/metricsexporter.h"
#include "port/portpath.h"
#include "service/eventlogline.h"

#include <QDir>

#include <algorithm>

namespace k4 {

namespace {

QString FileError(FileCheck check) {
    switch (check) {
        case FileCheck::Read:
            return {};
        case FileCheck::Missing:
            return QStringLiteral("is missing");
        case FileCheck::Unreadable:
            return QStringLiteral("cannot be read");
        case FileCheck::NotRegular:
        case FileCheck::TooLarge:
            return RefusalReason(check);
    }
    return QStringLiteral("cannot be read");
}

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

WorkspaceRead ReadServiceWorkspace(const QString& path) {
    WorkspaceRead read;
    const ProfileFile file(path);
    read.error = FileError(file.readCheck());
    if (read.error.isEmpty()) {
        read.data = ReadWorkspaceProfile(file);
    }
    return read;
}

void FillTable(DeviceTable& table, const WorkspaceFileData& data) {
    const int count = std::min<int>(static_cast<int>(data.Devices.size()), kWorkspaceMaxDevices);
    for (int i = 0; i < count; ++i) {
        const WorkspaceDevice& device = data.Devices[static_cast<std::size_t>(i)];
        DeviceRecord& r = table[i];
        r.DeviceName = device.DeviceName;
        r.DevID.store(device.DevID, std::memory_order_relaxed);
        r.Skin = device.Skin;
        r.flags.store(device.flags, std::memory_order_release);
    }
    table.setLastIndex(count - 1);
}

ServiceRunner::ServiceRunner(LogSink log) : log_(std::move(log)) {
    pump_ = std::make_unique<LinkPump>(queue_, target_);
    link_.setEffects(&queue_);
    // Only the events matter here: a poll that changes nothing costs no hand-over and no wake-up.
    link_.setChangesOnly(true);
    link_.setMessageSink([this](const QString& text) { log_(text); });
    logToken_ = hub_.subscribe(
        [this](const LinkEvent& event) { log_(EventLogLine(event, labelOf(event.address))); });
}

ServiceRunner::~ServiceRunner() {
    stop();
}

QString ServiceRunner::labelOf(std::uint8_t address) const {
    const int i = table_->indexOfAddress(address);
    return DeviceLabel(address, i >= 0 ? (*table_)[i].DeviceName : QString()).trimmed();
}

QString ServiceRunner::start(const Config& config) {
    const ProgramSettings settings = ReadProgramSettings(config.settingsPath);
    if (IsRefusedFile(settings.fileCheck) || settings.fileCheck == FileCheck::Unreadable) {
        return QStringLiteral("settings file ") + Native(config.settingsPath) + QLatin1Char(' ') +
               FileError(settings.fileCheck);
    }
    workspacePath_ = config.workspacePath.isEmpty() ? settings.lastFile : config.workspacePath;
    if (workspacePath_.isEmpty()) {
        return QStringLiteral("no workspace: give --workspace FILE or set LastFile in ") +
               Native(config.settingsPath);
    }
    WorkspaceRead read = ReadServiceWorkspace(workspacePath_);
    if (!read.error.isEmpty()) {
        return QStringLiteral("workspace file ") + Native(workspacePath_) + QLatin1Char(' ') +
               read.error;
    }
    port_ = settings.port;
    link_.setPortFactory(DefaultPortFactory(config.settingsPath));
    FillTable(*table_, read.data);

    // Subscribed before the link runs, so the line's opening is among its first records.
    startHistory(config.settingsPath);
    startMetrics(config.settingsPath);

    log_(QStringLiteral("workspace %1: %2 devices, port COM%3")
             .arg(Native(workspacePath_))
             .arg(table_->count())
             .arg(port_));
    link_.StartLink(table_.get(), port_);
    return {};
}

void ServiceRunner::startMetrics(const QString& settingsPath) {
    MetricsSources sources;
    sources.table = [this] { return static_cast<const DeviceTable*>(table_.get()); };
    sources.workspaceFile = [this] { return workspacePath_; };
    sources.polls = &link_.pollCounters();
    sources.events = &hub_;
    sources.version = K4_VERSION;
    // Its problems ("metrics: cannot listen on ...") go to the log on their own.
    metrics_ = std::make_unique<MetricsExporter>(std::move(sources));
    metrics_->apply(ReadMetricsSettings(settingsPath));
}

QString ServiceRunner::HistoryPath() {
    // systemd may name several folders, parted by colons; the first is the unit's own.
    const QString state = qEnvironmentVariable("STATE_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    return state.isEmpty() ? DefaultHistoryPath()
                           : QDir(state).filePath(QStringLiteral("history.sqlite"));
}

void ServiceRunner::startHistory(const QString& settingsPath) {
    history_ = std::make_unique<HistoryKeeper>(
        HistoryPath(), ReadHistoryLimits(settingsPath),
        HistoryRecorder::Context{[this](std::uint8_t id) {
                                     const int i = table_->indexOfAddress(id);
                                     return i >= 0 ? (*table_)[i].DeviceName : QString();
                                 },
                                 [this] { return workspacePath_; }});
    // The log says when the history goes off and why, and when it is back.
    QObject::connect(history_.get(), &HistoryKeeper::statusChanged, history_.get(),
                     [this, told = QString()]() mutable {
                         const QString text = history_->statusText();
                         if (text != told && !text.isEmpty()) {
                             log_(text);
                         }
                         told = text;
                     });
    history_->attach(hub_);
    history_->start();
}

bool ServiceRunner::reload() {
    WorkspaceRead read = ReadServiceWorkspace(workspacePath_);
    if (!read.error.isEmpty()) {
        log_(QStringLiteral("workspace file ") + Native(workspacePath_) + QLatin1Char(' ') +
             read.error + QStringLiteral(": the devices polled stay as they were"));
        return false;
    }
    const bool wasRunning = link_.isRunning();
    link_.StopLink();
    // The old table's events are told with its labels.
    pump_->deliverNow();
    auto fresh = std::make_unique<DeviceTable>();
    FillTable(*fresh, read.data);
    table_ = std::move(fresh);
    log_(QStringLiteral("workspace %1 reloaded: %2 devices")
             .arg(Native(workspacePath_))
             .arg(table_->count()));
    if (wasRunning) {
        link_.StartLink(table_.get(), port_);
    }
    return true;
}

void ServiceRunner::stop() {
    link_.StopLink();
    pump_->deliverNow();
    // After the link's last events reached it: the keeper writes what is pending as it goes.
    history_.reset();
}

}  // namespace k4
