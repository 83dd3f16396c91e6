// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/historyrow.h"

#include <QString>

namespace k4 {

// One CSV cell a spreadsheet shows as the text it is: quoted when it holds a comma, a quote, a
// line feed or a carriage return; a cell that a spreadsheet would take for a formula (starting
// with =, +, -, @, a tab or a carriage return) gets a leading apostrophe.
QString SafeCsvCell(const QString& text);

QString HistoryCsvHeader();
// Time as local date and time, kind, device, text, workspace.
QString HistoryCsvRow(const HistoryRow& row);

// "2026-12-10 15:02:03": a UTC time as the local date and time.
QString LocalTimeText(qint64 utcMs);

}  // namespace k4
