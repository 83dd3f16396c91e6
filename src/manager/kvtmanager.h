#pragma once

#include "devicetable.h"
#include "viewregistry.h"

#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;
class QMdiSubWindow;

namespace k4 {

class TMDIChild;

// The "K4 Manager" window: the tree of the open workspace and the commands that change the device
// table. It owns the table; its creation starts the link and its closing stops it.
class TMDIKVTMAN : public QWidget, public TreeView {
    Q_OBJECT
public:
    // Creates the manager window in the main frame's MDI area, makes it the program's manager
    // window (App().Manager) and enables the Read only and Macro Window items. Starts the link.
    static TMDIKVTMAN* OpenManagerWindow();

    DeviceTable& table() { return table_; }
    QTreeWidget* TreeView1 = nullptr;

    // Adds the workspace node (image 1) as the first node and makes it App().RootNode.
    QTreeWidgetItem* AddRootNode(const QString& label);
    // Builds nodes and panels for the slots the loader filled, publishing each to the link.
    void BuildDeviceViews();
    // Brings the tree and its popup items into line with the Read only mark.
    void ApplyReadOnly();

    // Place and size of the manager window in the main window's client area.
    QRect managerGeometry() const;
    void setManagerGeometry(int left, int top, int width, int height);

    // The panel of a slot (nullptr when none).
    TMDIChild* panelOf(int slot) const;
    QTreeWidgetItem* nodeOf(int slot) const;

    // Closes the window: stops the link, then the window and its table go.
    void closeManager();
    QMdiSubWindow* subWindow() const;

    // TreeView
    void setNodeImage(NodeHandle node, int image) override;
    void repaintTree() override;

private:
    DeviceTable table_;
};

}  // namespace k4
