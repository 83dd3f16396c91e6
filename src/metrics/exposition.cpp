// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/exposition.h"

#include <QDir>

#include <prometheus/text_serializer.h>

#include <set>
#include <sstream>
#include <utility>

namespace k4 {

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

constexpr double kNsPerSecond = 1e9;

MetricFamily Family(const char* name, const char* help, MetricType type) {
    MetricFamily family;
    family.name = name;
    family.help = help;
    family.type = type;
    return family;
}

ClientMetric Sample(double value, MetricType type, std::vector<ClientMetric::Label> labels = {}) {
    ClientMetric metric;
    metric.label = std::move(labels);
    if (type == MetricType::Counter) {
        metric.counter.value = value;
    } else {
        metric.gauge.value = value;
    }
    return metric;
}

void AddSingle(std::vector<MetricFamily>& out, const char* name, const char* help, MetricType type,
               double value, std::vector<ClientMetric::Label> labels = {}) {
    MetricFamily family = Family(name, help, type);
    family.metric.push_back(Sample(value, type, std::move(labels)));
    out.push_back(std::move(family));
}

std::string PortLabel(int portNumber) {
    return portNumber > 0 ? "COM" + std::to_string(portNumber) : std::string();
}

void AddDevices(std::vector<MetricFamily>& out, const MetricsInput& in) {
    MetricFamily up = Family("k4mgr_device_up",
                             "1 while the device answers; 0 from its first failure until its "
                             "next good reply",
                             MetricType::Gauge);
    MetricFamily replies =
        Family("k4mgr_device_replies_total",
               "Exchanges the device answered since the workspace was opened", MetricType::Counter);
    MetricFamily failures = Family("k4mgr_device_failures_total",
                                   "Exchanges with the device that failed since the workspace "
                                   "was opened",
                                   MetricType::Counter);
    MetricFamily episodes =
        Family("k4mgr_device_failure_episodes_total",
               "Runs of failures, each ended by a good reply", MetricType::Counter);
    MetricFamily attention =
        Family("k4mgr_device_attention", "1 while the device raises its attention flag",
               MetricType::Gauge);
    MetricFamily lastReply =
        Family("k4mgr_device_last_reply_timestamp_seconds",
               "When the device last answered, in seconds since 1970 UTC (absent before its "
               "first answer)",
               MetricType::Gauge);

    const DeviceTable& table = *in.table;
    std::set<std::pair<int, QString>> seen;
    for (int i = 0; i <= table.lastIndex() && i < DeviceTable::kSlots; ++i) {
        const DeviceRecord& r = table[i];
        if (!r.inUse()) {
            continue;
        }
        const int id = r.DevID.load(std::memory_order_acquire);
        if (!seen.emplace(id, r.DeviceName).second) {
            continue;
        }
        const std::vector<ClientMetric::Label> labels{{"id", std::to_string(id)},
                                                      {"name", r.DeviceName.toStdString()}};
        const HealthCounts counts = r.Health.counts();
        up.metric.push_back(Sample(r.CommError.load(std::memory_order_acquire) == 0 ? 1 : 0,
                                   MetricType::Gauge, labels));
        replies.metric.push_back(
            Sample(static_cast<double>(counts.replies), MetricType::Counter, labels));
        failures.metric.push_back(
            Sample(static_cast<double>(counts.failures), MetricType::Counter, labels));
        episodes.metric.push_back(
            Sample(static_cast<double>(counts.episodes), MetricType::Counter, labels));
        attention.metric.push_back(
            Sample(r.Health.attentionHeld() ? 1 : 0, MetricType::Gauge, labels));
        if (counts.lastReplyNs != HealthCounts::kNever) {
            // The health clock is monotonic: the wall-clock time is now less the time since.
            const double ago = static_cast<double>(in.nowNs - counts.lastReplyNs) / kNsPerSecond;
            lastReply.metric.push_back(
                Sample(static_cast<double>(in.nowUtcMs) / 1000.0 - ago, MetricType::Gauge, labels));
        }
    }
    for (MetricFamily* family : {&up, &replies, &failures, &episodes, &attention, &lastReply}) {
        out.push_back(std::move(*family));
    }
}

}  // namespace

std::vector<MetricFamily> ConsoleCollector::Collect() const {
    const MetricsInput& in = input_;
    std::vector<MetricFamily> out;
    AddSingle(out, "k4mgr_build_info", "The console's version", MetricType::Gauge, 1,
              {{"version", in.version}});
    MetricFamily workspace =
        Family("k4mgr_workspace_info", "The open workspace file", MetricType::Gauge);
    if (!in.workspaceFile.isEmpty()) {
        workspace.metric.push_back(
            Sample(1, MetricType::Gauge,
                   {{"file", QDir::toNativeSeparators(in.workspaceFile).toStdString()}}));
    }
    out.push_back(std::move(workspace));
    AddSingle(out, "k4mgr_line_up", "1 while the serial port is open", MetricType::Gauge,
              in.line.condition == LineCondition::Open ? 1 : 0,
              {{"port", PortLabel(in.line.portNumber)}, {"device", in.line.device}});
    AddSingle(out, "k4mgr_line_losses_total", "Times the open port failed", MetricType::Counter,
              static_cast<double>(in.lineLosses));
    AddSingle(out, "k4mgr_polls_total", "Polls sent on the line", MetricType::Counter,
              static_cast<double>(in.polls));
    AddSingle(out, "k4mgr_poll_round_seconds",
              "How long the last round over every device of the workspace took", MetricType::Gauge,
              static_cast<double>(in.lastRoundNs) / kNsPerSecond);
    if (in.table != nullptr) {
        AddDevices(out, in);
    }
    return out;
}

std::string ExpositionText(const MetricsInput& input) {
    std::ostringstream text;
    prometheus::TextSerializer().Serialize(text, ConsoleCollector(input).Collect());
    return text.str();
}

}  // namespace k4
