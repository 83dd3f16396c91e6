// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <map>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace k4 {

// "RS232 setup": the modal dialog in which the operator chooses the serial port of the link and,
// where ports are only numbers, the device each port opens. OK stores the choice and restarts a
// running link on it; closing the dialog any other way changes nothing.
class TRSSet final : public QDialog {
    Q_OBJECT
public:
    explicit TRSSet(QWidget* parent = nullptr);

    // Shows the dialog modally through the dialog seam, prepared once for this opening (a choice
    // not yet confirmed survives a message box or a visit to another window), at its place
    // inside the screen.
    int runModal();

    // Selects the configured port and lists the serial devices present now.
    void FormActivate();
    // Stores the port and the devices typed for any port in this opening (those that differ from
    // what the port opens now), makes it the configured port, restarts a running link on it and
    // closes the dialog. With the entry of an invalid port number selected it only closes.
    void Button1Click();

    QGroupBox* GroupBox1;
    QComboBox* RSBox;
    QPushButton* Button1;
    QGroupBox* DeviceGroup;
    QLineEdit* DevicePath;
    QComboBox* DeviceList;
    QLabel* DeviceNote;
    QLabel* MarginLabel;
    QSpinBox* MarginBox;  // a network line's margin on the reply time, in ms

private:
    int selectedPort() const;
    void RSBoxChange();
    void DeviceListSelect(int index);
    void DevicePathChange();
    void listPresentDevices();

    int shownPort_ = 0;                  // the port whose device the device field shows
    std::map<int, QString> typedPaths_;  // device fields typed in this opening, per port
    std::map<int, int> typedMargins_;    // margins set in this opening, per port
};

// The program's one port selection dialog, created on first use and kept for the whole run.
TRSSet& RSSet();

}  // namespace k4
