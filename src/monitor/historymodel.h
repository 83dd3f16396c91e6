// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/historyreader.h"

#include <QAbstractTableModel>

#include <deque>
#include <map>
#include <vector>

namespace k4 {

// The history's rows for the window's table, read from the file a page at a time as the view
// asks for them; a few pages are kept, never the whole file.
class HistoryModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Kind, Device, Text, ColumnCount };
    static constexpr int kPageRows = 200;
    static constexpr std::size_t kKeptPages = 8;

    HistoryModel(HistoryReader& reader, QObject* parent = nullptr);

    void setFilter(const HistoryFilter& filter);
    const HistoryFilter& filter() const { return filter_; }
    // Counts again after new rows were written: new rows join at the end.
    void refresh();
    // The row at a place in the table; nullptr when it cannot be read.
    const HistoryRow* rowAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void reload();

    HistoryReader& reader_;
    HistoryFilter filter_;
    qint64 total_ = 0;
    mutable std::map<qint64, std::vector<HistoryRow>> pages_;
    mutable std::deque<qint64> pageOrder_;  // least recently read first
};

}  // namespace k4
