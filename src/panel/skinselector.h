// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panel/panelparts.h"

#include <QDialog>
#include <QString>

#include <cstdint>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace k4 {

class ColorBox;

// "SkinSelector": the dialog in which a panel's skin and display colours are chosen. It exists
// once for the whole run; the change-skin command fills it, shows it modally and reads it back.
// It has no cancel: Ok, the close box and Escape all close it, and the command applies what it
// shows.
class TSkinSelector final : public QDialog {
    Q_OBJECT
public:
    // Where the sample text of the preview display starts on its top row.
    static constexpr int kSampleColumn = 5;
    static constexpr char kSampleText[] = " TEST MESSAGE ";

    explicit TSkinSelector(QWidget* parent = nullptr);

    // Sets the colour boxes, the check box and the file name afresh for one showing, and shows
    // the two colours in the preview at once.
    void prepare(std::uint32_t lcdColor, std::uint32_t lcdBackColor, bool useSkins,
                 const QString& skinName);

    // The colours the preview display is drawn in.
    std::uint32_t previewColor() const { return previewColor_; }
    std::uint32_t previewBackColor() const { return previewBackColor_; }

    void FormActivate();
    // Takes the file of item as the chosen skin; an item that is not a file does nothing.
    void SSelectorClick(QListWidgetItem* item);
    void UseSkinsClick();
    // Either colour box changed: the preview takes both colours.
    void LCDBackColorChange();
    void SFNameChange();
    void BOkClick();

    QCheckBox* UseSkins;
    QListWidget* SSelector;
    QPushButton* BOk;
    QLabel* Label5;
    ColorBox* LCDBackColor;
    QLabel* Label6;
    ColorBox* LCDColor;
    QLabel* Label7;
    QLineEdit* SFName;
    QFrame* Panel1;
    PanelFace Preview;  // the copy of a panel's controls inside Panel1

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildPreview();
    void fillFileList();
    void showPreviewSkin(const QString& name);
    void drawPreviewCell(QPainter& painter, int column, int row, const QRect& cell) const;
    void selectionChanged();

    std::uint32_t previewColor_ = 0x00FF00;
    std::uint32_t previewBackColor_ = 0;
    bool fillingList_ = false;
};

// The program's one skin dialog, created on first use and kept for the whole run.
TSkinSelector& SkinSelector();

}  // namespace k4
