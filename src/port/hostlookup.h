// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace k4 {

// Looks a host name up on a thread of its own, so that the link thread waits only as long as it
// chooses. A resolver whose name server cannot be reached takes many seconds to give up, and
// every StopLink waits for the link thread.
//
// A lookup that outlasts the wait goes on; any later wait for the same name, from this object or
// another on the same resolver, takes it up again instead of starting another, so retries never
// pile up lookups: one name has at most one lookup in flight. The lookup's thread touches
// nothing but its own answer (the system's resolver is called directly, not through Qt), so the
// program may end while one is still pending.
class HostLookup {
public:
    using Resolve = std::function<std::vector<QHostAddress>(const QString& host)>;
    enum class Outcome { Found, NotFound, StillLooking };

    // The system's resolver by default; every lookup on it shares one list of lookups in flight.
    // A resolver given here gets a list of its own.
    explicit HostLookup(Resolve resolve = {});
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    // Waits at most patience for host's addresses; found takes all of them, in the resolver's
    // order, when the outcome is Found.
    Outcome wait(const QString& host, std::chrono::milliseconds patience,
                 std::vector<QHostAddress>& found);

    struct Lookup;
    struct Board;

private:
    Resolve resolve_;
    std::shared_ptr<Board> board_;
};

}  // namespace k4
