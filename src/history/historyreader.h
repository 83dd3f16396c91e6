// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/availability.h"
#include "history/historyrow.h"

#include <QString>
#include <QVariantList>

#include <limits>
#include <utility>
#include <vector>

namespace k4 {

// What the window's filters choose.
struct HistoryFilter {
    int device = kNoDevice;  // kNoDevice: every device (and rows about none)
    HistoryGroup group = HistoryGroup::All;
    qint64 fromMs = 0;                                 // UTC, included
    qint64 toMs = std::numeric_limits<qint64>::max();  // UTC, excluded
    QString contains;  // in the text or the device's name, regardless of case

    friend bool operator==(const HistoryFilter&, const HistoryFilter&) = default;
};

// The WHERE clause of a filter and the values bound to its placeholders, in order.
std::pair<QString, QVariantList> FilterClause(const HistoryFilter& filter);

// Reads the history file for the window on a read-only connection of its own (the thread that
// made the reader uses it). Reads a page at a time; never the whole file.
class HistoryReader {
public:
    explicit HistoryReader(const QString& path);
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    // False, with error(), when the file cannot be read (yet).
    bool open();
    bool isOpen() const { return open_; }
    QString error() const { return error_; }

    qint64 count(const HistoryFilter& filter);
    // Rows first..first+n-1 of the filter's rows, oldest first; total is count(filter), so that
    // rows near the end are read from the end.
    std::vector<HistoryRow> page(const HistoryFilter& filter, qint64 first, int n, qint64 total);
    // The time of the oldest row; 0 when there is none.
    qint64 firstTimeMs();
    // The devices the file names, by ID, each with the latest name it had.
    std::vector<std::pair<int, QString>> devices();
    // The strips of the devices over [fromMs, toMs); extra lists devices to show besides those
    // the file names in the range.
    std::vector<DeviceStrip> strips(qint64 fromMs, qint64 toMs, const std::vector<int>& extra);

private:
    std::vector<HistoryRow> select(const QString& sql, const QVariantList& values);
    // Rows of time, kind and device only.
    std::vector<HistoryRow> selectStates(const QString& sql, const QVariantList& values);

    const QString connection_;
    bool open_ = false;
    QString error_;
};

}  // namespace k4
