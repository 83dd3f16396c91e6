// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/devicetable.h"
#include "link/linestate.h"

#include <QString>

#include <prometheus/collectable.h>
#include <prometheus/metric_family.h>

#include <cstdint>
#include <string>
#include <vector>

namespace k4 {

// What one scrape reports: everything the console already holds, taken on the thread that owns
// the device names. Nothing here sends on the line or waits for the link thread.
struct MetricsInput {
    const DeviceTable* table = nullptr;  // null while no workspace is open
    QString workspaceFile;               // empty while none is open
    LineState line;
    std::uint64_t lineLosses = 0;
    std::uint64_t polls = 0;
    std::int64_t lastRoundNs = 0;  // 0 before the first whole round
    std::string version;
    std::int64_t nowNs = 0;     // HealthClockNs() at the scrape
    std::int64_t nowUtcMs = 0;  // the wall clock at the same moment
};

// The console's metric families, made from one input. The devices are the in-use records of the
// table, labelled {id,name}; a second record with the same ID and name adds no second series (a
// scrape with duplicate series is refused whole).
class ConsoleCollector final : public prometheus::Collectable {
public:
    explicit ConsoleCollector(const MetricsInput& input) : input_(input) {}
    std::vector<prometheus::MetricFamily> Collect() const override;

private:
    const MetricsInput& input_;
};

// The text exposition format, version 0.0.4, of those families.
std::string ExpositionText(const MetricsInput& input);

inline constexpr char kExpositionContentType[] = "text/plain; version=0.0.4; charset=utf-8";

}  // namespace k4
