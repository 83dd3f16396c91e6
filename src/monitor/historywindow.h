// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/historyreader.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

class QAction;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QMdiArea;
class QPushButton;
class QTableView;
class QTimer;

namespace k4 {

class AvailabilityStrips;
class HistoryKeeper;
class HistoryModel;

// The History window: what the history file holds, filtered by device, kind, time and text, the
// newest at the bottom and followed while the table is scrolled to its end; above it a strip per
// device shows when it answered, failed, asked for attention or was not polled. Save as writes
// what the filters show as CSV.
class THistoryWindow final : public QWidget {
    Q_OBJECT
public:
    enum Range { LastHour, LastDay, LastWeek, AllTime, FromTo };

    // Opens the window in area over the file at path; keeper (may be null) tells of new rows;
    // menuItem (may be null) carries its check mark.
    static THistoryWindow* Create(QMdiArea& area, const QString& path, HistoryKeeper* keeper,
                                  QAction* menuItem);
    THistoryWindow(const QString& path, HistoryKeeper* keeper, QAction* menuItem,
                   QWidget* parent = nullptr);
    ~THistoryWindow() override;

    // Reads the filters' choice again: the table and the strips.
    void applyFilters();
    // Shows rows written since (the table follows them when it was at its end).
    void followNewRows();
    // Writes the rows the filters show as CSV, through a temporary file; false when it failed.
    bool saveTo(const QString& path);
    // Filters the table to one device's span (a click on a strip).
    void showSpan(int device, qint64 fromMs, qint64 toMs);

    HistoryFilter currentFilter() const;
    const HistoryModel& model() const { return *model_; }
    QMdiSubWindow* subWindow() const { return subWindow_; }

    QComboBox* DeviceBox = nullptr;
    QComboBox* KindBox = nullptr;
    QComboBox* RangeBox = nullptr;
    QDateTimeEdit* FromEdit = nullptr;
    QDateTimeEdit* ToEdit = nullptr;
    QLineEdit* TextEdit = nullptr;
    QPushButton* SaveButton = nullptr;
    AvailabilityStrips* Strips = nullptr;
    QTableView* HistoryView = nullptr;

private:
    void fillDevices();
    void updateStrips();
    void saveClick();
    // The range's ends now: [from, to) of the rows, and the strips' end.
    std::pair<qint64, qint64> rangeMs() const;

    HistoryReader reader_;
    HistoryModel* model_ = nullptr;
    QTimer* stripTimer_ = nullptr;
    QPointer<QAction> menuItem_;
    QPointer<QMdiSubWindow> subWindow_;
};

// The menu item's command: closes the History window when it is open, otherwise opens it.
void ToggleHistoryWindow(QAction& menuItem, QMdiArea& area, const QString& path,
                         HistoryKeeper* keeper);

}  // namespace k4
