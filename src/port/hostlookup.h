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
// A lookup that outlasts the wait goes on; the next wait for the same name takes it up again
// instead of starting another, so retries never pile up lookups.
class HostLookup {
public:
    using Resolve = std::function<std::vector<QHostAddress>(const QString& host)>;
    enum class Outcome { Found, NotFound, StillLooking };

    // The system's resolver by default.
    explicit HostLookup(Resolve resolve = {});
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    // Waits at most patience for host's first address; found is set when the outcome is Found.
    Outcome wait(const QString& host, std::chrono::milliseconds patience, QHostAddress& found);

private:
    struct Lookup;
    Resolve resolve_;
    std::shared_ptr<Lookup> inFlight_;
};

}  // namespace k4
