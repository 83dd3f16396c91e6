// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "macro/macroparts.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <vector>

class QAction;
class QLineEdit;
class QMdiArea;
class QPainter;
class QPushButton;

namespace k4 {

class DeviceTable;
class MacroGrid;

// The macro window: the twelve macro names of the workspace, renamed in place, and on demand the
// device list beside them, copied from the device table and copied again whenever the open
// workspace's devices change, so marks are only ever typed against devices the workspace holds.
// The names are the program's own (App().MacroNames): the window keeps no copy of them.
class TWMacro final : public QWidget {
    Q_OBJECT
public:
    // Makes the window as a child of area with a tool-window frame, visible, stores it in
    // App().WMacro and turns its automatic sizing on. menuItem is unchecked when the window goes.
    static TWMacro* Create(QMdiArea& area, const DeviceTable* table, QAction* menuItem);

    TWMacro(const DeviceTable* table, QAction* menuItem, QWidget* parent = nullptr);
    ~TWMacro() override;

    QMdiSubWindow* subWindow() const { return subWindow_; }
    // From now on the window fits its client area to its visible controls.
    void setAutoSize(bool on);
    // The names were replaced wholesale (a workspace was loaded): an edit in progress ends
    // without storing, and the list shows the new names.
    void namesReplaced();
    // The open workspace's devices changed (another workspace, a device added, deleted or given
    // another ID): the device list shows table's devices now. Marks typed and not saved stay with
    // the IDs still listed.
    void devicesChanged(const DeviceTable* table);

    void FormCreate();
    void FormClose();
    void MViewDrawCell(QPainter& painter, int column, int row, const QRect& cell);
    void MEditDrawCell(QPainter& painter, int column, int row, const QRect& cell);
    void MViewSelectCell(int row);
    void MViewMouseUp(const QPoint& viewportPos);
    void MViewSetEditText(int row, const QString& text);
    void MViewDblClick();
    void MCancelClick();
    void MEditMouseDown(int gridRow);
    void MEditSelectCell(int gridRow);
    void MEditDblClick();
    void MSaveClick();
    void MRunClick();
    static QString MEditGetEditMask() { return QStringLiteral("**"); }

    MacroGrid* MView = nullptr;
    MacroGrid* MEdit = nullptr;
    QPushButton* MSave = nullptr;
    QPushButton* MCancel = nullptr;
    QLineEdit* MKeys = nullptr;
    QPushButton* MRun = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makeNameEditor(QWidget* parent, int row);
    QWidget* makeProfileEditor(QWidget* parent);
    void nameEditorClosed(QWidget* editor, bool reverted);
    void startEditBase();
    void followOtherCommands();
    void dropNameEdit();
    void showEditorPart(bool shown);
    void fitToControls();
    // The editor part shows the keys and device marks of macro row.
    void showMacroContent(int row);
    // The device rows from devices_, each Profile cell from cells by its ID.
    void fillDeviceRows(const std::map<std::uint8_t, QString>& cells);

    std::vector<DeviceListEntry> devices_;
    std::vector<std::uint8_t> deviceIds_;  // the device list's IDs, row by row
    int editedMacro_ = -1;                 // the macro the editor part belongs to
    QPointer<QAction> menuItem_;
    QPointer<QMdiSubWindow> subWindow_;
    bool autoSize_ = false;

    // The name being edited in place: what it and the modified mark were before, for Escape, and
    // the state the edit last left, to notice another command changing it meanwhile.
    QPointer<QLineEdit> nameEditor_;
    int editRow_ = -1;
    QString nameBefore_;
    bool modifiedBefore_ = false;
    bool markLeft_ = false;
    bool readOnlyLeft_ = false;
};

}  // namespace k4
