// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/wakeevent.h"

namespace k4 {

void WakeEvent::signal() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_one();
}

bool WakeEvent::waitFor(std::chrono::microseconds timeout) {
    std::unique_lock lock(mutex_);
    const bool signalled = cv_.wait_for(lock, timeout, [this] { return signalled_; });
    signalled_ = false;
    return signalled;
}

void WakeEvent::reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

}  // namespace k4
