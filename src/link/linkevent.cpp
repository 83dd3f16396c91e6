// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/linkevent.h"

#include "core/devicehealth.h"

#include <chrono>

namespace k4 {

std::optional<LinkEvent::Kind> LineTurn(LineCondition from, LineCondition to) {
    using K = LinkEvent::Kind;
    if (from == to) {
        return std::nullopt;
    }
    switch (to) {
        case LineCondition::Closed:
            return K::LineClosed;
        case LineCondition::Open:
            return from == LineCondition::Closed ? K::LineOpened : K::LineBack;
        case LineCondition::Lost:
            // A line that could not open and then fails again on its retry is still the same
            // episode; only an open line is lost.
            return from == LineCondition::Open ? std::optional(K::LineLost) : std::nullopt;
        case LineCondition::CannotOpen:
            return from == LineCondition::Closed ? std::optional(K::LineCannotOpen) : std::nullopt;
    }
    return std::nullopt;
}

LinkEvent StampedEvent(LinkEvent::Kind kind) {
    LinkEvent e;
    e.kind = kind;
    e.atNs = HealthClockNs();
    e.utcMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
    return e;
}

}  // namespace k4
