// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace k4 {

class MetricsExporter;

// "Export to monitoring": where the console serves its metrics and the folder it writes them
// into for the node exporter, with what it is doing now. Apply stores the choice in the settings
// file and puts it to work; the dialog stays open to show the outcome.
class TMetricsDialog final : public QDialog {
    Q_OBJECT
public:
    explicit TMetricsDialog(MetricsExporter& exporter, QWidget* parent = nullptr);

    // Fills the fields from the settings file.
    void FormActivate();
    void ApplyClick();

    QCheckBox* ServeBox;
    QLineEdit* AddressEdit;
    QLineEdit* FolderEdit;
    QLabel* WarningLabel;
    QLabel* StateLabel;
    QPushButton* ApplyButton;
    QPushButton* CloseButton;

private:
    void showWarning();
    void showState();

    MetricsExporter& exporter_;
    QTimer* refresh_;
};

}  // namespace k4
