// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/linecapture.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

class QAction;
class QCheckBox;
class QMdiArea;
class QMdiSubWindow;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;

namespace k4 {

class MonitorModel;

// The line monitor: the exchanges of the line, newest at the bottom, read from the capture in
// batches a few times a second. Pause stops the view (the capture goes on and the view catches up
// on resuming); Clear empties the view of everything captured so far, paused or not; Save as
// writes what the view holds as CSV.
class TLineMonitor final : public QWidget {
    Q_OBJECT
public:
    // How often the view reads the capture.
    static constexpr int kReadIntervalMs = 200;

    // Opens the window in area, reading capture; menuItem (may be null) carries its check mark.
    static TLineMonitor* Create(QMdiArea& area, LineCapture& capture, QAction* menuItem);
    TLineMonitor(LineCapture& capture, QAction* menuItem, QWidget* parent = nullptr);
    ~TLineMonitor() override;

    // Reads what the capture holds beyond what was read before (unless paused).
    void readCapture();
    // Writes the rows shown as CSV with a header row, all of them or none: false when the file
    // cannot be written (reason, when given, says why), and an old file is then left as it was.
    bool saveTo(const QString& path, QString* reason = nullptr) const;
    const MonitorModel& model() const { return *model_; }
    QMdiSubWindow* subWindow() const { return subWindow_; }

    QSpinBox* DeviceFilter = nullptr;  // -1 shows "All"
    QCheckBox* FailuresOnly = nullptr;
    QPushButton* PauseButton = nullptr;
    QPushButton* ClearButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QTableView* MonitorView = nullptr;

private:
    void filterChanged();
    void saveClick();

    LineCapture& capture_;
    LineCapture::Cursor cursor_;
    MonitorModel* model_ = nullptr;
    QTimer* timer_ = nullptr;
    QPointer<QAction> menuItem_;
    QPointer<QMdiSubWindow> subWindow_;
};

// The menu item's command: closes the line monitor when it is open, otherwise opens it. Whether
// the window exists decides, and the item's check mark is set to match.
void ToggleLineMonitor(QAction& menuItem, QMdiArea& area, LineCapture& capture);

}  // namespace k4
