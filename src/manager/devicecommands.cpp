// SPDX-License-Identifier: GPL-3.0-or-later
// The manager's commands on the device table: add, edit (the label-edit flow), delete, rename the
// workspace, open a panel, and build the views of a loaded workspace.
#include "core/workspacename.h"
#include "manager/devicetree.h"
#include "manager/kvteditor.h"
#include "manager/kvtmanager.h"
#include "panel/mdichild.h"
#include "panel/panelskin.h"
#include "state/appstate.h"
#include "state/devicelistchanges.h"
#include "state/dialogs.h"
#include "state/mainframe.h"
#include "state/recordoperator.h"
#include "state/repaintwhole.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QThread>

namespace k4 {

namespace {

constexpr std::uint32_t kNewLcdColor = 0x00FF00;
constexpr std::uint32_t kNewLcdBackColor = 0x000000;
// Delete waits this long between withdrawing a device and closing its panel.
constexpr unsigned long kDeleteSettleMs = 100;

void RecordDeviceAdded(const DeviceRecord& r) {
    RecordOperator(HistoryKind::DeviceAdded, QStringLiteral("added"), r.DevID.load(), r.DeviceName);
}

}  // namespace

QTreeWidgetItem* TMDIKVTMAN::addDeviceNode(NodeHandle handle, const QString& label) {
    QTreeWidgetItem* parent = rootNode_ ? rootNode_ : tree_->invisibleRootItem();
    auto* node = new QTreeWidgetItem(parent, QStringList(label));
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    node->setData(0, DeviceTreeWidget::kNodeHandleRole, QVariant::fromValue<qulonglong>(handle));
    tree_->setItemImages(node, kIconNormal, kIconNormal);
    nodes_[handle] = node;
    return node;
}

TMDIChild* TMDIKVTMAN::createPanel(std::optional<QPoint> place, const QString& caption) {
    TMDIChild* panel = TMDIChild::Create(App().Frame->mdiArea(), place, caption);
    panels_[panel->handle()] = panel;
    return panel;
}

void TMDIKVTMAN::AddNewKVT1Click() {
    if (table_.isFull()) {
        return;
    }
    const NodeHandle handle = NewViewHandle();
    QTreeWidgetItem* node = prepareNewDevice(handle);
    if (node == nullptr) {
        return;
    }
    if (beginLabelEdit(node) != LabelEditOutcome::Accepted) {
        withdrawUnconfirmedDevice(handle);
        updatePopupItems();
        return;
    }
    // Published only now, with its ID confirmed and its views in place.
    const int confirmed = table_.indexOfNode(handle);
    if (confirmed >= 0) {
        table_.markInUse(confirmed);
        RecordDeviceAdded(table_[confirmed]);
    }
    updatePopupItems();
}

QTreeWidgetItem* TMDIKVTMAN::prepareNewDevice(NodeHandle handle) {
    // LastIndex is raised first; the slot stays without its in-use flag, so the link skips it.
    const int s = table_.append(handle, kNoHandle);
    if (s < 0) {
        return nullptr;
    }
    QTreeWidgetItem* node = addDeviceNode(handle, QStringLiteral("???"));
    if (rootNode_) {
        tree_->expandRecursively(tree_->indexFromItem(rootNode_));
    }
    TMDIChild* panel = createPanel();
    table_[s].Panel.store(panel->handle(), std::memory_order_release);
    panel->sizeToControls();
    panel->DevAddress = 1;
    panel->LCDColor = kNewLcdColor;
    panel->LCDBackColor = kNewLcdBackColor;
    return node;
}

void TMDIKVTMAN::takeDeviceValues(int s, QTreeWidgetItem* node, std::uint8_t id,
                                  const QString& name) {
    DeviceRecord& r = table_[s];
    r.DevID.store(id, std::memory_order_release);
    r.DeviceName = name;
    const QString label = DeviceLabel(id, name);
    if (TMDIChild* panel = panelOf(s)) {
        panel->DevAddress = id;
        panel->setCaption(label);
    }
    node->setText(0, label);
    DeviceListChanged();
}

bool TMDIKVTMAN::AddFoundDevice(std::uint8_t id, const QString& name) {
    if (table_.isFull() || App().ReadOnly || table_.indexOfAddress(id) >= 0) {
        return false;
    }
    const NodeHandle handle = NewViewHandle();
    QTreeWidgetItem* node = prepareNewDevice(handle);
    if (node == nullptr) {
        return false;
    }
    App().WorkspaceModified = true;
    const int s = table_.indexOfNode(handle);
    takeDeviceValues(s, node, id, name);
    table_.markInUse(s);
    RecordDeviceAdded(table_[s]);
    updatePopupItems();
    return true;
}

bool TMDIKVTMAN::TreeView1Editing(QTreeWidgetItem* node) {
    return beginLabelEdit(node) == LabelEditOutcome::InPlace;
}

TMDIKVTMAN::LabelEditOutcome TMDIKVTMAN::beginLabelEdit(QTreeWidgetItem* node) {
    // The one editor dialog is open already (a delayed label click can fire inside its modal
    // loop): a second edit would take over the dialog the first one is waiting for.
    if (editorOpen_) {
        return LabelEditOutcome::NoDevice;
    }
    App().WorkspaceModified = true;
    if (node != nullptr && node == rootNode_) {
        return LabelEditOutcome::InPlace;
    }
    const NodeHandle handle = handleOfNode(node);
    int s = table_.indexOfNode(handle);
    if (s < 0) {
        return LabelEditOutcome::NoDevice;
    }
    TKVTEditor& editor = KVTEditor();
    editor.prepare(table_[s].DevID.load(std::memory_order_relaxed), table_[s].DeviceName, s);
    editorOpen_ = true;
    const bool accepted = UiDialogs().execModal(editor) == QDialog::Accepted;
    editorOpen_ = false;

    if (rootNode_) {
        tree_->expandRecursively(tree_->indexFromItem(rootNode_));
    }
    s = table_.indexOfNode(handle);
    if (s < 0) {
        return LabelEditOutcome::NoDevice;
    }
    // Only an accepted dialog has checked its ID; anything else keeps the device as it was.
    if (!accepted) {
        return LabelEditOutcome::NotAccepted;
    }
    const QString before = DeviceLabel(table_[s].DevID.load(), table_[s].DeviceName);
    takeDeviceValues(s, node, editor.DevID, editor.DeviceName);
    // A new device is recorded as added once it is confirmed; this is an edit of one in use.
    if (table_[s].inUse()) {
        RecordOperator(
            HistoryKind::DeviceEdited,
            before + QStringLiteral(" \u2192 ") + DeviceLabel(editor.DevID, editor.DeviceName),
            editor.DevID, editor.DeviceName);
    }
    return LabelEditOutcome::Accepted;
}

void TMDIKVTMAN::Delete1Click() {
    QTreeWidgetItem* node = selectedNode();
    if (IndexOfNode(node) != -1) {
        beginLabelEdit(node);
    }
}

void TMDIKVTMAN::Rename1Click() {
    App().Link.StopLink();
    const int s = IndexOfNode(selectedNode());
    if (s != -1) {
        RecordOperator(HistoryKind::DeviceDeleted, QStringLiteral("deleted"),
                       table_[s].DevID.load(), table_[s].DeviceName);
        removeDevice(s);
    }
    App().Link.StartLink(&table_, App().RS232Port);
    App().WorkspaceModified = true;
    updatePopupItems();
}

void TMDIKVTMAN::removeDevice(int s) {
    DeviceRecord& r = table_[s];
    r.flags.store(0, std::memory_order_release);
    QThread::msleep(kDeleteSettleMs);

    const PanelHandle panelHandle = r.Panel.load(std::memory_order_relaxed);
    const auto panel = panels_.find(panelHandle);
    if (panel != panels_.end()) {
        if (panel->second) {
            panel->second->closePanel();
        }
        panels_.erase(panel);
    }
    // Effects still queued for the panel go nowhere from here on.
    App().Views.removePanel(panelHandle);

    const auto node = nodes_.find(r.Node.load(std::memory_order_relaxed));
    if (node != nodes_.end()) {
        delete node->second;
        nodes_.erase(node);
    }
    table_.remove(s);
    DeviceListChanged();
}

void TMDIKVTMAN::withdrawUnconfirmedDevice(NodeHandle node) {
    const int s = table_.indexOfNode(node);
    if (s < 0) {
        return;
    }
    const bool linkWasRunning = App().Link.isRunning();
    App().Link.StopLink();
    removeDevice(s);
    if (linkWasRunning) {
        App().Link.StartLink(&table_, App().RS232Port);
    }
}

void TMDIKVTMAN::TreeView1Edited(QTreeWidgetItem* node, QString& text) {
    if (node == nullptr || node != rootNode_) {
        return;
    }
    text = WorkspaceNodeLabel(text);
    rootNode_->setText(0, text);
    App().Frame->setTitle(MainCaptionFor(text));
    App().WorkspaceModified = true;
    App().WorkspacePath.clear();
}

void TMDIKVTMAN::TreeView1DblClick() {
    const int s = IndexOfNode(selectedNode());
    if (s == -1) {
        return;
    }
    if (TMDIChild* panel = panelOf(s)) {
        panel->showAndRaise();
    }
}

void TMDIKVTMAN::BuildDeviceViews() {
    table_.setLastIndex(-1);
    TMDIChild* lastBuilt = nullptr;
    // The area, most of it panels built here, is repainted whole, once.
    if (App().Frame) {
        RepaintWhole(App().Frame->mdiArea()->viewport());
    }
    for (int i = 0; i < DeviceTable::kMaxDevices && table_[i].inUse(); ++i) {
        DeviceRecord& r = table_[i];
        const std::uint8_t id = r.DevID.load(std::memory_order_relaxed);
        const QString label = DeviceLabel(id, r.DeviceName);
        const NodeHandle handle = NewViewHandle();
        addDeviceNode(handle, label);
        r.Node.store(handle, std::memory_order_release);

        TMDIChild* panel = panelOf(i);
        if (panel == nullptr) {
            if (lastBuilt == nullptr) {
                // The window active till now gives way (and rises, as a window that changes
                // state does) before the first panel stands, as the first one to show would
                // have made it.
                App().Frame->mdiArea()->setActiveSubWindow(nullptr);
            }
            panel = createPanel(QPoint(r.Left, r.Top), label);
            r.Panel.store(panel->handle(), std::memory_order_release);
            lastBuilt = panel;
        }
        panel->DevAddress = id;
        panel->setCaption(label);
        panel->moveTo(r.Left, r.Top);
        panel->LCDColor = r.LCDColor;
        panel->LCDBackColor = r.LCDBackColor;
        r.CommError.store(0, std::memory_order_relaxed);
        r.Attention.store(0, std::memory_order_relaxed);
        // A skin that is missing or no readable picture leaves the panel bare; the panel keeps
        // the name all the same (a skin hidden, not gone), so changing only the colours later
        // keeps it in the record, and a save keeps it in the file.
        panel->SkinFile = r.Skin;
        LoadSkin(*panel, r.Skin);
        // Only now, with its node and panel in place, does the link poll the slot.
        table_.setLastIndex(i);
        panel->frameSettled();
    }
    // The panels were built without activation; the last one is active, as if each had been
    // opened in turn.
    if (lastBuilt != nullptr && lastBuilt->subWindow() != nullptr) {
        App().Frame->mdiArea()->setActiveSubWindow(lastBuilt->subWindow());
    }
    if (rootNode_) {
        tree_->expandRecursively(tree_->indexFromItem(rootNode_));
    }
    updatePopupItems();
    DeviceListChanged();
}

}  // namespace k4
