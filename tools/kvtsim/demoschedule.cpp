// SPDX-License-Identifier: GPL-3.0-or-later
#include "demoschedule.h"

#include <algorithm>

namespace kvtsim {

namespace {
constexpr Nanos kSecond = 1'000'000'000LL;
}

bool PeriodicWindow::OpenAt(Nanos elapsed) const {
    const Nanos phase = elapsed % period;
    return phase >= opensAt && phase < closesAt;
}

Nanos PeriodicWindow::NextEdgeAfter(Nanos elapsed) const {
    const Nanos cycleStart = elapsed - elapsed % period;
    const Nanos phase = elapsed - cycleStart;
    if (phase < opensAt) {
        return cycleStart + opensAt;
    }
    if (phase < closesAt) {
        return cycleStart + closesAt;
    }
    return cycleStart + period + opensAt;
}

std::vector<DemoRule> DemoSchedule::StandardRules() {
    return {
        {3, DemoAction::Attention, {25 * kSecond, 15 * kSecond, 21 * kSecond}},
        {5, DemoAction::Silent, {30 * kSecond, 20 * kSecond, 28 * kSecond}},
    };
}

DemoSchedule::DemoSchedule(Nanos start)
    : start_(start), rules_(StandardRules()), open_(rules_.size(), false), nextEdge_(start) {
    Advance(start);
}

std::vector<DemoChange> DemoSchedule::Advance(Nanos now) {
    std::vector<DemoChange> changes;
    const Nanos elapsed = std::max<Nanos>(0, now - start_);
    Nanos next = elapsed + 3600 * kSecond;
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        const DemoRule& rule = rules_[i];
        const bool open = rule.window.OpenAt(elapsed);
        if (open != open_[i]) {
            open_[i] = open;
            changes.push_back({rule.id, rule.action, open});
        }
        next = std::min(next, rule.window.NextEdgeAfter(elapsed));
    }
    nextEdge_ = start_ + next;
    return changes;
}

}  // namespace kvtsim
