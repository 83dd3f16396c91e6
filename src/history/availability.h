// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/historyrow.h"

#include <QString>

#include <vector>

namespace k4 {

// What a device's strip shows at a time.
enum class Availability : std::uint8_t { Answering, Failing, Attention, NotPolled };

struct AvailabilitySpan {
    qint64 fromMs = 0;  // UTC, start included
    qint64 toMs = 0;    // UTC, end excluded
    Availability state = Availability::NotPolled;
};

struct DeviceStrip {
    int device = kNoDevice;
    QString name;  // the latest name the rows give
    std::vector<AvailabilitySpan> spans;
};

// The strips of the devices over [fromMs, toMs), from the line's and the devices' rows in time
// order. Rows before fromMs give the state at fromMs. Until a row says the line is open, a device
// counts as not polled; an open line polls every device, which answers until a failure row and
// after the row that ends it. Devices lists the strips wanted besides those the rows name; the
// strips come ordered by device ID, adjacent spans of one state joined.
std::vector<DeviceStrip> BuildStrips(const std::vector<HistoryRow>& rows, qint64 fromMs,
                                     qint64 toMs, const std::vector<int>& devices);

// The span of strip at time t, or nullptr.
const AvailabilitySpan* SpanAt(const DeviceStrip& strip, qint64 t);

// "Answering", "Failing", "Attention", "Not polled".
QString AvailabilityText(Availability state);

}  // namespace k4
