// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/linescan.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;
class QTreeWidget;

namespace k4 {

// "Scan line": which addresses of a range answer. The link thread probes them between its polls
// (LineScan); the dialog starts and stops the scan, shows its progress and what answered, and adds
// the checked new devices to the workspace. Closing it stops the scan.
class TLineScanDialog final : public QDialog {
    Q_OBJECT
public:
    // How often the dialog looks at the scan while it runs.
    static constexpr int kPollIntervalMs = 100;

    explicit TLineScanDialog(LineScan& scan, QWidget* parent = nullptr);
    ~TLineScanDialog() override;

    void StartClick();
    void StopClick();
    // Adds the checked devices that are not in the workspace.
    void AddClick();
    // Takes over the scan's progress and findings now (also done by the dialog's timer).
    void refresh();

    QSpinBox* FromAddress = nullptr;
    QSpinBox* ToAddress = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* StopButton = nullptr;
    QProgressBar* Progress = nullptr;
    QTreeWidget* Found = nullptr;  // ID, answer, in workspace; checkable
    QPushButton* AddButton = nullptr;
    QPushButton* CloseButton = nullptr;
    QLabel* Note = nullptr;

    // The columns of Found.
    enum Column { kIdColumn, kAnswerColumn, kWorkspaceColumn };

protected:
    void done(int result) override;

private:
    void updateButtons();

    LineScan& scan_;
    QTimer* timer_ = nullptr;
    std::vector<ScanFinding> findings_;  // one per row of Found
};

}  // namespace k4
