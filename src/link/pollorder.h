// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace k4 {

// Which record the link visits on a tick that no key command took. Without a followed record
// the round robin visits 0..LastIndex in turn, one record a tick. With one, every other tick goes
// to the followed record, between the round robin's visits, which keep their order at half the
// rate. Pure bookkeeping: the link loop owns one and asks it once a tick.
class PollOrder {
public:
    // The slot to visit now. lastIndex is 0 or more; followed is the followed record's slot, or
    // -1 when no record is followed (the round robin alone, exactly as without this class).
    int next(int lastIndex, int followed);
    // The last next() began a new round of the round robin (it returned its first slot).
    bool beganRound() const { return beganRound_; }

private:
    int roundRobin_ = 0;
    bool followedTurn_ = false;
    bool beganRound_ = false;
};

}  // namespace k4
