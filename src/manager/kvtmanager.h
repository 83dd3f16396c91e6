// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/devicetable.h"
#include "manager/livetooltip.h"
#include "state/viewregistry.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <unordered_map>

class QAction;
class QMenu;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QMdiSubWindow;

namespace k4 {

class DeviceTreeWidget;
class ImageList;
class TMDIChild;

// The "K4 Manager" window: the tree of the open workspace and the commands that change the device
// table. It owns the table; its creation starts the link and its closing stops it.
class TMDIKVTMAN : public QWidget, public TreeView {
    Q_OBJECT
public:
    // Creates the manager window in the main frame's MDI area, makes it the program's manager
    // window (App().Manager) and enables the Read only and Macro Window items. Starts the link.
    static TMDIKVTMAN* OpenManagerWindow();

    // A bare window with an empty table; OpenManagerWindow frames it and runs FormCreate.
    explicit TMDIKVTMAN(QWidget* parent = nullptr);
    ~TMDIKVTMAN() override;

    DeviceTable& table() { return table_; }
    QTreeWidget* TreeView1 = nullptr;

    // Adds the workspace node (image 1) as the first node and makes it App().RootNode.
    QTreeWidgetItem* AddRootNode(const QString& label);
    // Builds nodes and panels for the slots the loader filled, publishing each to the link.
    void BuildDeviceViews();
    // Brings the tree and its popup items into line with the Read only mark.
    void ApplyReadOnly();
    // Adds a device found on the line as the editor's OK would (node, panel, polling, workspace
    // modified). False, adding nothing, in read-only mode, with a full table or an ID in use.
    bool AddFoundDevice(std::uint8_t id, const QString& name);

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

    // The slot whose node is node; -1 for the workspace node, an unknown node or none.
    int IndexOfNode(const QTreeWidgetItem* node) const;
    NodeHandle handleOfNode(const QTreeWidgetItem* node) const;
    QTreeWidgetItem* rootNode() const { return rootNode_; }

    // Form events and command handlers, named after their controls.
    void FormCreate();
    void FormClose();
    void AddNewKVT1Click();  // "Add &New KVT"
    void Delete1Click();     // "&Edit"
    void Rename1Click();     // "&Delete"
    // A label edit is about to begin; true when the label is to be edited in place.
    bool TreeView1Editing(QTreeWidgetItem* node);
    // A label edit was committed with text, which may be changed before it is stored.
    void TreeView1Edited(QTreeWidgetItem* node, QString& text);
    void TreeView1DblClick();

    QToolBar* ToolBar1 = nullptr;
    ImageList* ImageList1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* AddNewKVT1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* Rename1 = nullptr;

    // Brings the popup items into line with the read-only state and the table's capacity; runs
    // before every showing of the popup.
    void updatePopupItems();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class LabelEditOutcome { InPlace, Accepted, NotAccepted, NoDevice };
    LabelEditOutcome beginLabelEdit(QTreeWidgetItem* node);
    QTreeWidgetItem* selectedNode() const;
    // The tooltip of a device node: the link's counts for the device (none elsewhere).
    LiveToolTip::Tip healthTipAt(const QPoint& viewportPos) const;
    QTreeWidgetItem* addDeviceNode(NodeHandle handle, const QString& label);
    // Add's first steps: a slot with a "???" node and a panel, not yet published to the link.
    // Returns the node; nullptr when the table is full.
    QTreeWidgetItem* prepareNewDevice(NodeHandle handle);
    // What an accepted editor does to slot s: its ID and name, its panel and its node label.
    void takeDeviceValues(int s, QTreeWidgetItem* node, std::uint8_t id, const QString& name);
    TMDIChild* createPanel(std::optional<QPoint> place = std::nullopt,
                           const QString& caption = QString());
    // Takes slot s out of the table with its views: runs with the link stopped.
    void removeDevice(int s);
    void withdrawUnconfirmedDevice(NodeHandle node);
    void removeCloseCommand();
    void showPopup(const QPoint& pos);

    // Shared with a link that finishes its last exchange after the window has gone.
    std::shared_ptr<DeviceTable> tableOwner_ = std::make_shared<DeviceTable>();
    DeviceTable& table_ = *tableOwner_;
    DeviceTreeWidget* tree_ = nullptr;
    QTreeWidgetItem* rootNode_ = nullptr;
    std::unordered_map<NodeHandle, QTreeWidgetItem*> nodes_;
    std::unordered_map<PanelHandle, QPointer<TMDIChild>> panels_;
    QPointer<QMdiSubWindow> subWindow_;
    bool readOnly_ = false;
    bool editorOpen_ = false;
    bool closing_ = false;
    bool closed_ = false;
};

}  // namespace k4
