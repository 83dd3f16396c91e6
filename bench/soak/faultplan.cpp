// SPDX-License-Identifier: GPL-3.0-or-later
#include "faultplan.h"

namespace k4soak {

const char* FaultName(FaultKind kind) {
    static constexpr std::array<const char*, kFaultKinds> kNames{"silent", "short", "garble",
                                                                 "attention", "line drop"};
    return kNames[static_cast<std::size_t>(kind)];
}

FaultPlan::FaultPlan(unsigned seed, int firstId, int lastId)
    : random_(seed), firstId_(firstId), lastId_(lastId) {}

int FaultPlan::pick(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random_);
}

Fault FaultPlan::next() {
    Fault fault;
    fault.kind = static_cast<FaultKind>(pick(0, kFaultKinds - 1));
    fault.gapMs = pick(1000, 3000);
    if (fault.kind == FaultKind::LineDrop) {
        fault.start << QStringLiteral("unplug");
        fault.end << QStringLiteral("replug");
        fault.holdMs = pick(2000, 6000);
        return fault;
    }
    // One to four devices at a time, each long enough to be polled on a full table.
    fault.holdMs = pick(4000, 8000);
    const int count = pick(1, 4);
    for (int i = 0; i < count; ++i) {
        const QString id = QString::number(pick(firstId_, lastId_));
        switch (fault.kind) {
            case FaultKind::Silent:
                fault.start << QStringLiteral("silent ") + id;
                break;
            case FaultKind::Short:
                fault.start << QStringLiteral("short ") + id;
                break;
            case FaultKind::Garble:
                fault.start << QStringLiteral("garble ") + id;
                break;
            case FaultKind::Attention:
                fault.start << QStringLiteral("attention ") + id + QStringLiteral(" on");
                fault.end << QStringLiteral("attention ") + id + QStringLiteral(" off");
                continue;
            case FaultKind::LineDrop:
                break;
        }
        fault.end << QStringLiteral("normal ") + id;
    }
    return fault;
}

}  // namespace k4soak
