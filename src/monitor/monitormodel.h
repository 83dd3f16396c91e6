// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/linecapture.h"
#include "link/monitortext.h"

#include <QAbstractTableModel>

#include <deque>
#include <vector>

namespace k4 {

// The rows of the line monitor: what it has read from the capture (at most as much as the
// capture holds) and, of that, what passes the filter. Text and colour come from the widget-free
// monitor text; this only hands them to the view.
class MonitorModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Takes a batch read from the capture, oldest first.
    void append(std::vector<CapturedEntry>& batch);
    void setFilter(const MonitorFilter& filter);
    const MonitorFilter& filter() const { return filter_; }
    // Forgets every row (the capture keeps its own).
    void clear();
    const std::deque<CapturedEntry>& shown() const { return shown_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::deque<CapturedEntry> all_;
    std::deque<CapturedEntry> shown_;
    MonitorFilter filter_;
};

}  // namespace k4
