// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The whole link on kvtsim's line, for tests that check the link against what kvtsim saw: one
// kvtsim for the test program with devices 1, 2 and 5, and per test a device table of the same
// three (slots 0..2: panels 100..102, nodes 200..202), recorded effects, the link's messages kept
// and a controller whose port 1 opens kvtsim's line (or another path), its opens counted.
#include "kvtsimprocess.h"
#include "link/linkcontroller.h"
#include "port/qtserialio.h"
#include "linktestutil.h"
#include "recordingeffects.h"

#include <QStringList>

#include <memory>

namespace k4test {

class KvtsimLink {
public:
    // Starts kvtsim; empty once it runs, otherwise what went wrong.
    QString startLine() { return sim.start({"--ids", "1,2,5", "--turnaround-us", "500"}); }

    // A fresh table, effects and controller for the next test.
    void begin() {
        table = std::make_unique<k4::DeviceTable>();
        for (const std::uint8_t id : {1, 2, 5}) {
            AddLoadedDevice(*table, id);
        }
        fx = std::make_unique<RecordingEffects>();
        link = std::make_unique<k4::LinkController>();
        messages.clear();
        opens = 0;
    }
    // The link stops before the table and effects it uses go.
    void end() {
        link.reset();
        fx.reset();
        table.reset();
    }

    // Starts the link on port 1, which opens path (kvtsim's line when empty).
    void startLink(const QString& path = {}) {
        const QString device = path.isEmpty() ? sim.linkPath() : path;
        link->setPortFactory([this, device](int) {
            ++opens;  // link thread only, read after StopLink
            return std::make_unique<k4::QtSerialIo>(device);
        });
        link->setEffects(fx.get());
        link->setMessageSink([this](const QString& text) { messages << text; });
        link->StartLink(table.get(), 1);
    }

    KvtsimProcess sim;
    std::unique_ptr<k4::DeviceTable> table;
    std::unique_ptr<RecordingEffects> fx;
    std::unique_ptr<k4::LinkController> link;
    QStringList messages;
    int opens = 0;
};

}  // namespace k4test
