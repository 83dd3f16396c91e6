// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/monitormodel.h"

#include <QColor>

#include <algorithm>
#include <iterator>

namespace k4 {

namespace {

constexpr std::size_t kMostRows = LineCapture::kCapacity;

// The red of a highlighted display cell on the panels.
const QColor kFailureBackground(255, 0, 0);

}  // namespace

void MonitorModel::append(std::vector<CapturedEntry>& batch) {
    for (CapturedEntry& entry : batch) {
        all_.push_back(std::move(entry));
    }
    while (all_.size() > kMostRows) {
        all_.pop_front();
    }
    const auto fresh =
        all_.end() - static_cast<std::ptrdiff_t>(std::min(batch.size(), all_.size()));
    const auto passing = std::count_if(
        fresh, all_.end(), [this](const CapturedEntry& entry) { return Passes(entry, filter_); });
    if (passing == 0) {
        return;
    }
    const auto first = static_cast<int>(shown_.size());
    beginInsertRows({}, first, first + static_cast<int>(passing) - 1);
    std::copy_if(fresh, all_.end(), std::back_inserter(shown_),
                 [this](const CapturedEntry& entry) { return Passes(entry, filter_); });
    endInsertRows();
    if (shown_.size() > kMostRows) {
        const auto excess = static_cast<int>(shown_.size() - kMostRows);
        beginRemoveRows({}, 0, excess - 1);
        shown_.erase(shown_.begin(), shown_.begin() + excess);
        endRemoveRows();
    }
}

void MonitorModel::setFilter(const MonitorFilter& filter) {
    beginResetModel();
    filter_ = filter;
    shown_.clear();
    for (const CapturedEntry& entry : all_) {
        if (Passes(entry, filter_)) {
            shown_.push_back(entry);
        }
    }
    endResetModel();
}

void MonitorModel::clear() {
    beginResetModel();
    all_.clear();
    shown_.clear();
    endResetModel();
}

int MonitorModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int MonitorModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(MonitorColumn::Count);
}

QVariant MonitorModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(shown_.size())) {
        return {};
    }
    const CapturedEntry& entry = shown_[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<MonitorColumn>(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return MonitorCellText(entry, column);
        case Qt::ToolTipRole:
            if (column == MonitorColumn::Reply) {
                const QString bytes = ReplyBytesText(entry);
                return bytes.isEmpty() ? QVariant() : QVariant(bytes);
            }
            if (column == MonitorColumn::Display) {
                return MonitorCellText(entry, column);
            }
            return {};
        case Qt::BackgroundRole:
            return IsFailure(entry) ? QVariant(kFailureBackground) : QVariant();
        case Qt::ForegroundRole:
            return IsFailure(entry) ? QVariant(QColor(Qt::white)) : QVariant();
        default:
            return {};
    }
}

QVariant MonitorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const QStringList headers = MonitorHeaders();
    return section >= 0 && section < headers.size() ? QVariant(headers[section]) : QVariant();
}

}  // namespace k4
