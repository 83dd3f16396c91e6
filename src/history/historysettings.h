// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/historywriter.h"

#include <QString>

namespace k4 {

inline constexpr char kHistorySection[] = "KVT_HISTORY";

// KeepDays and KeepRows of the settings file; a missing key, or a number below 1, keeps the
// default (90 days, 2 million rows).
HistoryLimits ReadHistoryLimits(const QString& settingsPath);

// The user's history file: the program's data folder + "/history.sqlite".
QString DefaultHistoryPath();

}  // namespace k4
