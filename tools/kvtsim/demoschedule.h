// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "linepacer.h"

namespace kvtsim {

// A window that opens at `opensAt` and closes at `closesAt` in every `period`, counted from the
// start of the run.
struct PeriodicWindow {
    Nanos period;
    Nanos opensAt;
    Nanos closesAt;

    bool OpenAt(Nanos elapsed) const;
    // The next moment after `elapsed` at which the window opens or closes.
    Nanos NextEdgeAfter(Nanos elapsed) const;
};

enum class DemoAction { Attention, Silent };

struct DemoRule {
    std::uint8_t id;
    DemoAction action;
    PeriodicWindow window;
};

struct DemoChange {
    std::uint8_t id;
    DemoAction action;
    bool on;
};

// The demo line's timed behaviour: device 3 raises its attention bit for 6 s every 25 s, device 5
// drops out for 8 s every 30 s. Changes are reported only at the edges of a window, so a control
// command given in between holds until the next edge.
class DemoSchedule {
public:
    explicit DemoSchedule(Nanos start);
    static std::vector<DemoRule> StandardRules();

    std::vector<DemoChange> Advance(Nanos now);
    Nanos NextEdge() const { return nextEdge_; }

private:
    Nanos start_;
    std::vector<DemoRule> rules_;
    std::vector<bool> open_;
    Nanos nextEdge_;
};

}  // namespace kvtsim
