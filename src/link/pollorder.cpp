// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/pollorder.h"

namespace k4 {

int PollOrder::next(int lastIndex, int followed) {
    const bool following = followed >= 0 && followed <= lastIndex;
    if (following && followedTurn_) {
        followedTurn_ = false;
        beganRound_ = false;
        return followed;
    }
    if (roundRobin_ > lastIndex) {
        roundRobin_ = 0;
    }
    followedTurn_ = following;
    beganRound_ = roundRobin_ == 0;
    return roundRobin_++;
}

}  // namespace k4
