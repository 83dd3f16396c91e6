// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/linecapture.h"

#include <QString>
#include <QStringList>

namespace k4 {

// The line monitor's columns, left to right.
enum class MonitorColumn {
    Time,
    Id,
    Device,
    Sent,
    Request,
    Reply,
    Display,
    Attention,
    Latency,
    Count
};

// The column titles of the view and of the saved file.
QStringList MonitorHeaders();

// The text of one cell. The reply's bytes appear in Reply only on demand (ReplyBytesText).
QString MonitorCellText(const CapturedEntry& entry, MonitorColumn column);
// "Key T (126)": a panel key as its panel labels it, with its code; "Poll" for code 0.
QString SentText(std::uint8_t key, bool probe);
// "FD 05 7E 7B".
QString HexBytes(const std::uint8_t* bytes, std::size_t n);
// The reply's bytes in hex, empty when nothing came back.
QString ReplyBytesText(const CapturedEntry& entry);
// The two display rows of a display reply, "top | bottom" with the highlight bits dropped.
QString DisplayRowText(const CapturedEntry& entry, int row);

// An exchange that went wrong: no reply, a bad reply, a request that never left; a line that was
// lost or could not be opened.
bool IsFailure(const CapturedEntry& entry);

// What the view shows: every device or one, failures only or everything. Line rows concern every
// device; with failures only, the lost and the unopened line still show.
struct MonitorFilter {
    int device = -1;  // -1 for all
    bool failuresOnly = false;
};
bool Passes(const CapturedEntry& entry, const MonitorFilter& filter);

// The saved file: a header row and one row per entry, comma separated, quoted where needed. Its
// Time column carries the date as well.
QString CsvHeader();
QString CsvRow(const CapturedEntry& entry);
// One cell of the saved file: quoted when it holds a comma, a quote or a line break; text a
// spreadsheet would take for a formula (it begins with =, +, -, @, a tab or a CR) is marked
// with a leading apostrophe so that it shows as the text it is.
QString CsvCell(const QString& text);

}  // namespace k4
