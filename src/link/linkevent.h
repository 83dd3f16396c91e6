// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/linestate.h"

#include <cstdint>
#include <optional>

namespace k4 {

// A turn in the standing of the line or of one device, for whoever keeps a record of it (the
// history, the service's log, the metrics). Made on the link thread as it happens, and carried in
// order with the view effects; never coalesced.
struct LinkEvent {
    enum class Kind : std::uint8_t {
        LineOpened,      // the port opened when the link started
        LineCannotOpen,  // the first opening failed; once per episode, not once per retry
        LineLost,        // the open port failed
        LineBack,        // open again after a loss or a failed first opening
        LineClosed,      // the link stopped
        DeviceFailing,   // first failed exchange of a failure episode
        DeviceBack,      // the display reply that ends the episode
        AttentionRaised,
        AttentionCleared,
    };
    Kind kind = Kind::LineOpened;
    std::uint8_t address = 0;    // device events: the device's ID
    std::uint64_t episode = 0;   // DeviceFailing, DeviceBack: the episode's number this workspace
    std::uint64_t failures = 0;  // DeviceBack: failed exchanges in the episode
    std::int64_t atNs = 0;       // HealthClockNs() when it happened
    std::int64_t sinceNs = 0;    // DeviceBack, LineBack: when the failure or the loss began
    std::int64_t utcMs = 0;      // wall-clock time of atNs, milliseconds since 1970 UTC
    LineState line;              // line events: the port, its device and why it cannot open

    bool isLineEvent() const { return kind <= Kind::LineClosed; }
    // How long the device or the line was gone, for DeviceBack and LineBack.
    std::int64_t goneNs() const { return sinceNs > 0 && atNs > sinceNs ? atNs - sinceNs : 0; }
};

// The event kind for a line that turns from one condition to another; nullopt when the turn is
// nothing to record (no change, or a lost line still not back).
std::optional<LinkEvent::Kind> LineTurn(LineCondition from, LineCondition to);
// Now, as the link stamps its events.
LinkEvent StampedEvent(LinkEvent::Kind kind);

}  // namespace k4
