// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/devicetable.h"
#include "panel/panelparts.h"
#include "state/viewregistry.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPainter;
class QPushButton;

namespace k4 {

class PanelKeyboard;

// The window of one device, drawn like its front panel: the two-line display, the LED, four key
// labels and 18 keys. The link's effects reach it through the view registry by its handle.
class TMDIChild : public QWidget, public PanelView, public PanelFace {
    Q_OBJECT
public:
    // Builds a panel as a new sub-window of area, visible, captioned caption (by default
    // "ID=? New transcoder"), at place when one is given, otherwise where the area finds room
    // for it and active. A panel given its place is not activated (on top of the others all the
    // same): the caller activates the one that is to end active.
    static TMDIChild* Create(QMdiArea* area, std::optional<QPoint> place = std::nullopt,
                             const QString& caption = QString());

    explicit TMDIChild(QWidget* parent = nullptr);
    ~TMDIChild() override;

    PanelHandle handle() const { return handle_; }

    std::array<std::uint8_t, 48> LCDBuffer{};
    std::uint8_t DevAddress = 0;
    QString SkinFile;
    std::uint32_t LCDColor = 0;      // 0x00BBGGRR
    std::uint32_t LCDBackColor = 0;  // 0x00BBGGRR

    // Queues the key for this panel's device and returns at once; the display changes only with
    // the device's next reply. Without a running link the key goes nowhere.
    void SendKey(std::uint8_t key);
    // Puts the communication-error text into LCDBuffer without repainting.
    void ShowCommError();

    void setCaption(const QString& caption);
    QString caption() const;
    // Position in the main window's client area (of the sub-window that frames the panel).
    int left() const;
    int top() const;
    void moveTo(int left, int top);
    // Sizes the client area to the controls it holds (the display grid is wider than the design
    // size), and the frame around it with it.
    void sizeToControls();
    // Closes the panel; it frees itself. This is the only way to close a panel: the window has
    // no close box and refuses every other close request (system menu, Ctrl+F4, closing all
    // sub-windows of the area).
    void closePanel();
    // Closes the panel as one of all the workspace's, which go together: as closePanel, but its
    // frame is deleted with the next turn of the event loop without being hidden first. Hiding
    // sends each control a hide and an accessibility event, and deleting a window still marked
    // for painting marks each control's place dirty: for a full workspace, most of its close.
    void closeWithWorkspace();
    QMdiSubWindow* subWindow() const;
    // For a panel whose frame has its final size, flags and caption: drops the layout request
    // its building left queued. The frame's geometry was worked out as it was built; the request
    // would only work out the same again, its title bar eliding the caption a dozen times: about
    // a quarter of a loaded panel's cost.
    void frameSettled();

    // PanelView
    void writeCells(const DisplayCells& cells, std::uint8_t highlightMask) override;
    void showCommError() override;
    void repaintDisplay() override;
    void showAndRaise() override;

    // Draws one display cell; the display grid calls it for every cell it paints.
    void StringGrid1DrawCell(QPainter& painter, int column, int row, const QRect& cell);
    // Repaints the whole display grid.
    void FormPaint();
    // Makes closing free the window.
    void FormClose();
    // Activation changes nothing on a panel.
    void FormActivate() {}
    // The context menu's skin and colour command: the skin dialog for this panel.
    void MainFormChangeSkinClick();

    void Button1Click() { SendKey(1); }
    void Button2Click() { SendKey(2); }
    void Button3Click() { SendKey(3); }
    void Button4Click() { SendKey(4); }
    void Button5Click() { SendKey(5); }
    void Button6Click() { SendKey(6); }
    void Button7Click() { SendKey(7); }
    void Button8Click() { SendKey(8); }
    void Button9Click() { SendKey(9); }
    void Button10Click() { SendKey(10); }
    void Button11Click() { SendKey(11); }
    void Button12Click() { SendKey(12); }
    void Button13Click() { SendKey(13); }
    void Button14Click() { SendKey(14); }
    void Button15Click() { SendKey(15); }
    void Button16Click() { SendKey(16); }
    void Button17Click() { SendKey(kKeyT); }
    void Button18Click() { SendKey(kKeyS); }

    // The face's controls (Skin, StringGrid1, Diod, Label1..4, Button1..18) come from PanelFace.
    // Made on the first right click: a menu is a window of its own, dear to build and to free,
    // and a full workspace has 127 panels.
    QMenu* PopupMenu1 = nullptr;
    QAction* ChangeSkin = nullptr;
    // The PC keyboard on the keys while the panel is the active child window.
    PanelKeyboard* Keyboard = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void connectKeys();
    void buildContextMenu();
    void unregisterView();

    PanelHandle handle_;
    QPointer<QMdiSubWindow> subWindow_;
    bool closing_ = false;
    bool registered_ = false;
};

}  // namespace k4
