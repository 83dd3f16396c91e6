// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/historykeeper.h"

#include <QString>

#include <memory>

class QStatusBar;

namespace k4 {

// Keeps the history of this run in the file at path: records the link's events and the
// operator's actions, and shows in bar when the history is off and why. Clears App().History
// when it goes.
std::unique_ptr<HistoryKeeper> WireHistory(QStatusBar& bar, const QString& path);

}  // namespace k4
