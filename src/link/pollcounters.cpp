// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/pollcounters.h"

namespace k4 {

void PollCounters::noteRoundStart(std::int64_t nowNs) {
    if (roundStartNs_ >= 0 && nowNs >= roundStartNs_) {
        lastRoundNs_.store(nowNs - roundStartNs_, std::memory_order_relaxed);
    }
    roundStartNs_ = nowNs;
}

}  // namespace k4
