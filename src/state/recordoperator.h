// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/historyrow.h"

#include <QString>

namespace k4 {

// Hands an operator's action to the history of this run, when one is kept: any window floor
// reports what the operator did with one call. device: the device's ID, or kNoDevice; name
// empty: the name the open workspace gives that ID.
void RecordOperator(HistoryKind kind, const QString& text, int device = kNoDevice,
                    const QString& name = {});

// The name the open workspace gives a device ID; empty when none has it.
QString OpenDeviceName(std::uint8_t id);

}  // namespace k4
