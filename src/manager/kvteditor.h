// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace k4 {

class TypedByteLimit;
class UpDownButton;

// "Edit transcoder": the modal dialog in which one device's ID and title are set. The only way
// out is an Ok with an ID in 0..127 that no other device uses; Escape and the window-closing key
// do nothing, so the caller always gets a checked ID back.
class TKVTEditor final : public QDialog {
    Q_OBJECT
public:
    explicit TKVTEditor(QWidget* parent = nullptr);

    // Exchange values: set before showing, read back after an accepted showing.
    std::uint8_t DevID = 0;
    QString DeviceName;
    std::int32_t EditIndex = -1;

    // Sets the exchange values and fills the fields, ready to be shown (FormActivate runs again
    // when the dialog is shown; both fill the same values).
    void prepare(std::uint8_t devId, const QString& deviceName, std::int32_t editIndex);

    void FormActivate();
    void BPlusMinusUpClick();
    void BPlusMinusDownClick();
    void EditOkClick();

    QGroupBox* GroupBox1;
    QLabel* Label2;
    QLineEdit* ID;
    UpDownButton* BPlusMinus;
    QLabel* Label1;
    QLineEdit* Title;
    QPushButton* EditOk;

public Q_SLOTS:
    // Escape and the window-closing key land here: the dialog has no cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool TitleKeyPress(QKeyEvent* event);

    TypedByteLimit* titleLimit_ = nullptr;  // the title is kept to what the workspace reads back
};

// The program's one editor dialog, created on first use and kept for the whole run.
TKVTEditor& KVTEditor();

}  // namespace k4
