// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/historymodel.h"

#include "history/historycsv.h"

#include <QColor>

#include <algorithm>

namespace k4 {

namespace {
// The red of a failing panel's picture, for the failures among the rows.
const QColor kFailureRed(0xFF, 0x00, 0x00);
}  // namespace

HistoryModel::HistoryModel(HistoryReader& reader, QObject* parent)
    : QAbstractTableModel(parent), reader_(reader) {
    reload();
}

void HistoryModel::setFilter(const HistoryFilter& filter) {
    filter_ = filter;
    reload();
}

void HistoryModel::reload() {
    beginResetModel();
    pages_.clear();
    pageOrder_.clear();
    total_ = reader_.isOpen() || reader_.open() ? reader_.count(filter_) : 0;
    endResetModel();
}

void HistoryModel::refresh() {
    if (!reader_.isOpen() && !reader_.open()) {
        return;
    }
    const qint64 now = reader_.count(filter_);
    if (now < total_) {
        reload();  // trimmed meanwhile
        return;
    }
    if (now == total_) {
        return;
    }
    beginInsertRows({}, static_cast<int>(total_), static_cast<int>(now - 1));
    // The last page may have been read short; it is read again.
    pages_.erase(total_ / kPageRows);
    std::erase(pageOrder_, total_ / kPageRows);
    total_ = now;
    endInsertRows();
}

const HistoryRow* HistoryModel::rowAt(int row) const {
    if (row < 0 || row >= total_) {
        return nullptr;
    }
    const qint64 page = row / kPageRows;
    auto it = pages_.find(page);
    if (it == pages_.end()) {
        if (pages_.size() >= kKeptPages) {
            pages_.erase(pageOrder_.front());
            pageOrder_.pop_front();
        }
        it = pages_.emplace(page, reader_.page(filter_, page * kPageRows, kPageRows, total_)).first;
    } else {
        std::erase(pageOrder_, page);
    }
    pageOrder_.push_back(page);
    const auto offset = static_cast<std::size_t>(row - page * kPageRows);
    return offset < it->second.size() ? &it->second[offset] : nullptr;
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::min<qint64>(total_, INT32_MAX));
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::ForegroundRole && role != Qt::ToolTipRole) {
        return {};
    }
    const HistoryRow* row = rowAt(index.row());
    if (row == nullptr) {
        return {};
    }
    if (role == Qt::ForegroundRole) {
        return IsFailureKind(row->kind) ? QVariant(kFailureRed) : QVariant();
    }
    if (role == Qt::ToolTipRole) {
        return row->workspace.isEmpty() ? QVariant() : QVariant(row->workspace);
    }
    switch (index.column()) {
        case Time:
            return LocalTimeText(row->utcMs);
        case Kind:
            return KindText(row->kind);
        case Device:
            return RowDeviceLabel(*row);
        case Text:
            return row->text;
        default:
            return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const names[] = {"Time", "Kind", "Device", "Text"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QString();
}

}  // namespace k4
