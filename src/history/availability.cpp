// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/availability.h"

#include <algorithm>
#include <map>

namespace k4 {

namespace {

struct DeviceState {
    bool failing = false;
    bool attention = false;
    qint64 spanStart = 0;
    Availability shown = Availability::NotPolled;
    DeviceStrip strip;
};

Availability StateOf(bool polled, const DeviceState& d) {
    if (!polled) {
        return Availability::NotPolled;
    }
    if (d.failing) {
        return Availability::Failing;
    }
    return d.attention ? Availability::Attention : Availability::Answering;
}

void Close(DeviceState& d, qint64 at) {
    if (at <= d.spanStart) {
        return;
    }
    auto& spans = d.strip.spans;
    if (!spans.empty() && spans.back().state == d.shown && spans.back().toMs == d.spanStart) {
        spans.back().toMs = at;
    } else {
        spans.push_back({d.spanStart, at, d.shown});
    }
    d.spanStart = at;
}

}  // namespace

std::vector<DeviceStrip> BuildStrips(const std::vector<HistoryRow>& rows, qint64 fromMs,
                                     qint64 toMs, const std::vector<int>& devices) {
    std::map<int, DeviceState> states;
    const auto device = [&](int id) -> DeviceState& {
        auto [it, added] = states.try_emplace(id);
        if (added) {
            it->second.spanStart = fromMs;
            it->second.strip.device = id;
        }
        return it->second;
    };
    for (const int id : devices) {
        device(id);
    }
    for (const HistoryRow& row : rows) {
        if (row.device != kNoDevice) {
            device(row.device);
        }
    }
    bool polled = false;
    // Moves a device to its state now, closing the span that ends at t.
    const auto settleOne = [&](DeviceState& d, qint64 t) {
        const Availability now = StateOf(polled, d);
        if (now != d.shown) {
            Close(d, t);
            d.shown = now;
        }
    };
    for (const HistoryRow& row : rows) {
        if (row.utcMs >= toMs) {
            break;
        }
        const qint64 t = std::max(row.utcMs, fromMs);
        switch (row.kind) {
            case HistoryKind::ConsoleStarted:
            case HistoryKind::LineOpened:
                // A new run of the link: its devices start without episodes or attention.
                for (auto& [id, d] : states) {
                    d.failing = d.attention = false;
                }
                polled = row.kind == HistoryKind::LineOpened;
                break;
            case HistoryKind::LineBack:
                polled = true;
                break;
            case HistoryKind::LineLost:
            case HistoryKind::LineCannotOpen:
            case HistoryKind::LineClosed:
                polled = false;
                break;
            case HistoryKind::DeviceFailing:
                device(row.device).failing = true;
                break;
            case HistoryKind::DeviceBack:
                device(row.device).failing = false;
                break;
            case HistoryKind::AttentionRaised:
                device(row.device).attention = true;
                break;
            case HistoryKind::AttentionCleared:
                device(row.device).attention = false;
                break;
            default:
                break;
        }
        if (!row.deviceName.isEmpty() && row.device != kNoDevice) {
            device(row.device).strip.name = row.deviceName;
        }
        // A line row turns every device; a device row only its own.
        if (row.device == kNoDevice) {
            for (auto& [id, d] : states) {
                settleOne(d, t);
            }
        } else {
            settleOne(device(row.device), t);
        }
    }
    std::vector<DeviceStrip> strips;
    strips.reserve(states.size());
    for (auto& [id, d] : states) {
        Close(d, toMs);
        strips.push_back(std::move(d.strip));
    }
    return strips;
}

const AvailabilitySpan* SpanAt(const DeviceStrip& strip, qint64 t) {
    const auto it =
        std::upper_bound(strip.spans.begin(), strip.spans.end(), t,
                         [](qint64 v, const AvailabilitySpan& s) { return v < s.toMs; });
    return it != strip.spans.end() && it->fromMs <= t ? &*it : nullptr;
}

QString AvailabilityText(Availability state) {
    switch (state) {
        case Availability::Answering:
            return QStringLiteral("Answering");
        case Availability::Failing:
            return QStringLiteral("Failing");
        case Availability::Attention:
            return QStringLiteral("Attention");
        case Availability::NotPolled:
            break;
    }
    return QStringLiteral("Not polled");
}

}  // namespace k4
