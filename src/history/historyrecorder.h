// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/historyrow.h"
#include "link/linkevent.h"

#include <QString>

#include <functional>

namespace k4 {

// The row a link event becomes: kind, time, device ID and text (the name and the workspace are
// the recorder's to add, as they stand when the event arrives).
HistoryRow LinkEventRow(const LinkEvent& event);

// Turns the link's events and the operator's actions into rows and hands them to a sink (the
// writer). GUI/main thread: names and the workspace are read where they live.
class HistoryRecorder {
public:
    using Sink = std::function<void(HistoryRow)>;
    struct Context {
        std::function<QString(std::uint8_t)> deviceName;  // the name now; empty when unknown
        std::function<QString()> workspace;               // the open workspace's file
    };

    HistoryRecorder(Sink sink, Context context);

    void record(const LinkEvent& event);
    // device: the device's ID, or kNoDevice; name: its name (empty: looked up by ID).
    void recordOperator(HistoryKind kind, int device, const QString& name, const QString& text);

private:
    void hand(HistoryRow row);

    Sink sink_;
    Context context_;
};

}  // namespace k4
