// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The soak's random faults: what to tell kvtsim to start one, what ends it, and how long it lasts.
#include <QString>
#include <QStringList>

#include <array>
#include <random>

namespace k4soak {

enum class FaultKind { Silent, Short, Garble, Attention, LineDrop };
inline constexpr int kFaultKinds = 5;

const char* FaultName(FaultKind kind);

struct Fault {
    FaultKind kind = FaultKind::Silent;
    QStringList start;  // kvtsim commands that begin it
    QStringList end;    // kvtsim commands that end it
    int holdMs = 0;     // how long it lasts
    int gapMs = 0;      // quiet time after it ends, before the next one
};

class FaultPlan {
public:
    FaultPlan(unsigned seed, int firstId, int lastId);
    Fault next();

private:
    int pick(int low, int high);

    std::mt19937 random_;
    int firstId_;
    int lastId_;
};

}  // namespace k4soak
