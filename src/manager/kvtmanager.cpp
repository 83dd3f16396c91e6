// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/kvtmanager.h"

#include "manager/devicetree.h"
#include "manager/imagelist.h"
#include "manager/livetooltip.h"
#include "panel/mdichild.h"
#include "state/appstate.h"
#include "state/devicelistchanges.h"
#include "state/mainframe.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace k4 {

namespace {

constexpr int kToolBarHeight = 29;

// A child window of the frame with a title, minimise and maximise, and no close box. The styles
// draw a close box for the system-menu hint, so the hint is left out (the frame's own system menu
// still opens from its icon, without Close).
constexpr Qt::WindowFlags kManagerFrameFlags =
    Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint;

}  // namespace

TMDIKVTMAN::TMDIKVTMAN(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MDIKVTMAN"));
    setWindowTitle(QStringLiteral("K4 Manager"));

    ImageList1 = new ImageList(this);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(kToolBarHeight);
    ToolBar1->setMovable(false);

    tree_ = new DeviceTreeWidget(*ImageList1, this);
    TreeView1 = tree_;
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setEditingHandler([this](QTreeWidgetItem* node) { return TreeView1Editing(node); });
    tree_->setEditedHandler(
        [this](QTreeWidgetItem* node, QString& text) { TreeView1Edited(node, text); });
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, &TMDIKVTMAN::showPopup);
    connect(tree_, &DeviceTreeWidget::doubleClickedAnywhere, this, [this] { TreeView1DblClick(); });
    new LiveToolTip(tree_->viewport(), [this](const QPoint& pos) { return healthTipAt(pos); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(tree_, 1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    AddNewKVT1 = PopupMenu1->addAction(QStringLiteral("Add &New KVT"));
    AddNewKVT1->setObjectName(QStringLiteral("AddNewKVT1"));
    Delete1 = PopupMenu1->addAction(QStringLiteral("&Edit"));
    Delete1->setObjectName(QStringLiteral("Delete1"));
    Rename1 = PopupMenu1->addAction(QStringLiteral("&Delete"));
    Rename1->setObjectName(QStringLiteral("Rename1"));
    connect(AddNewKVT1, &QAction::triggered, this, &TMDIKVTMAN::AddNewKVT1Click);
    connect(Delete1, &QAction::triggered, this, &TMDIKVTMAN::Delete1Click);
    connect(Rename1, &QAction::triggered, this, &TMDIKVTMAN::Rename1Click);
}

TMDIKVTMAN::~TMDIKVTMAN() {
    // Whatever way the window goes, no link may outlive the table it polls.
    if (!closed_) {
        FormClose();
    }
    if (App().Manager == this) {
        App().Manager = nullptr;
    }
    if (App().Devices == &table_) {
        App().Devices = nullptr;
    }
}

TMDIKVTMAN* TMDIKVTMAN::OpenManagerWindow() {
    auto* manager = new TMDIKVTMAN;
    QMdiSubWindow* sub = App().Frame->mdiArea()->addSubWindow(manager, kManagerFrameFlags);
    // setWindowFlags would add the system-menu hint back for the min/max buttons.
    sub->overrideWindowFlags(kManagerFrameFlags);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    manager->subWindow_ = sub;
    // Set before FormCreate starts the link, so the reference is never seen unset while a link
    // runs on this window's table.
    App().Manager = manager;
    App().Devices = &manager->table_;
    DeviceListChanged();
    manager->FormCreate();
    sub->show();
    App().Frame->enableWorkspaceItems();
    return manager;
}

void TMDIKVTMAN::FormCreate() {
    removeCloseCommand();
    table_.setLastIndex(-1);
    App().Views.setTree(this);
    App().Link.StartLink(&table_, App().RS232Port);
}

void TMDIKVTMAN::FormClose() {
    // The link's exchange in flight is the line's time, not the operator's: the window goes
    // while the link finishes it.
    App().Link.RetireLink(tableOwner_);
    if (App().Views.tree() == this) {
        App().Views.setTree(nullptr);
    }
    if (App().Devices == &table_) {
        App().Devices = nullptr;
        DeviceListChanged();
    }
    // The workspace node goes with the tree.
    if (rootNode_ != nullptr && App().RootNode == rootNode_) {
        App().RootNode = nullptr;
    }
    closed_ = true;
}

void TMDIKVTMAN::closeManager() {
    if (closed_) {
        return;
    }
    FormClose();
    closing_ = true;
    if (subWindow_) {
        subWindow_->close();
    } else {
        close();
        deleteLater();
    }
}

QMdiSubWindow* TMDIKVTMAN::subWindow() const {
    return subWindow_;
}

void TMDIKVTMAN::removeCloseCommand() {
    if (!subWindow_) {
        return;
    }
    subWindow_->installEventFilter(this);
    if (QMenu* menu = subWindow_->systemMenu()) {
        const QKeySequence closeKey(QKeySequence::Close);
        for (QAction* action : menu->actions()) {
            if (action->shortcut() == closeKey || action->text().contains(QLatin1String("Close"))) {
                menu->removeAction(action);
                action->setEnabled(false);
            }
        }
    }
}

bool TMDIKVTMAN::eventFilter(QObject* watched, QEvent* event) {
    // The window offers no close command; only closeManager closes it. (The event type is
    // tested first: the frame's own destruction sends events here while it is half destroyed,
    // when even reading subWindow_ would be undefined.)
    if (event->type() == QEvent::Close && !closing_ && watched == subWindow_) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QTreeWidgetItem* TMDIKVTMAN::AddRootNode(const QString& label) {
    auto* node = new QTreeWidgetItem(QStringList(label));
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    tree_->setItemImages(node, kIconWorkspace, kIconWorkspace);
    tree_->insertTopLevelItem(0, node);
    rootNode_ = node;
    App().RootNode = node;
    return node;
}

void TMDIKVTMAN::ApplyReadOnly() {
    readOnly_ = App().ReadOnly;
    tree_->setReadOnly(readOnly_);
    updatePopupItems();
}

void TMDIKVTMAN::updatePopupItems() {
    // A 128th device cannot be added: the table keeps its last slot empty.
    AddNewKVT1->setEnabled(!readOnly_ && !table_.isFull());
    Delete1->setEnabled(!readOnly_);
    Rename1->setEnabled(!readOnly_);
}

void TMDIKVTMAN::showPopup(const QPoint& pos) {
    if (QTreeWidgetItem* node = tree_->itemAt(pos)) {
        tree_->setCurrentItem(node);
    }
    updatePopupItems();
    PopupMenu1->popup(tree_->viewport()->mapToGlobal(pos));
}

QRect TMDIKVTMAN::managerGeometry() const {
    return subWindow_ ? subWindow_->geometry() : geometry();
}

void TMDIKVTMAN::setManagerGeometry(int left, int top, int width, int height) {
    QWidget* frame = subWindow_ ? static_cast<QWidget*>(subWindow_.data()) : this;
    // A stored size too small to show the title bar (an empty workspace stores 0 x 0) would
    // leave a window that cannot be reached; the frame keeps at least its smallest usable size.
    const QSize least = frame->minimumSizeHint().expandedTo(QSize(0, 0));
    frame->setGeometry(left, top, std::max(width, least.width()), std::max(height, least.height()));
}

TMDIChild* TMDIKVTMAN::panelOf(int slot) const {
    if (slot < 0 || slot >= DeviceTable::kSlots) {
        return nullptr;
    }
    const auto it = panels_.find(table_[slot].Panel.load(std::memory_order_relaxed));
    return it == panels_.end() ? nullptr : it->second.data();
}

QTreeWidgetItem* TMDIKVTMAN::nodeOf(int slot) const {
    if (slot < 0 || slot >= DeviceTable::kSlots) {
        return nullptr;
    }
    const auto it = nodes_.find(table_[slot].Node.load(std::memory_order_relaxed));
    return it == nodes_.end() ? nullptr : it->second;
}

void TMDIKVTMAN::setNodeImage(NodeHandle node, int image) {
    const auto it = nodes_.find(node);
    if (it != nodes_.end()) {
        tree_->setItemImages(it->second, image, image);
    }
}

void TMDIKVTMAN::repaintTree() {
    tree_->viewport()->update();
}

NodeHandle TMDIKVTMAN::handleOfNode(const QTreeWidgetItem* node) const {
    if (node == nullptr) {
        return kNoHandle;
    }
    return node->data(0, DeviceTreeWidget::kNodeHandleRole).toULongLong();
}

int TMDIKVTMAN::IndexOfNode(const QTreeWidgetItem* node) const {
    return table_.indexOfNode(handleOfNode(node));
}

LiveToolTip::Tip TMDIKVTMAN::healthTipAt(const QPoint& viewportPos) const {
    QTreeWidgetItem* node = tree_->itemAt(viewportPos);
    const int s = IndexOfNode(node);
    if (s < 0) {
        return {};
    }
    const DeviceRecord& r = table_[s];
    return {HealthSummary(DeviceLabel(r.DevID.load(), r.DeviceName), r.Health.counts(),
                          HealthClockNs()),
            tree_->visualItemRect(node)};
}

QTreeWidgetItem* TMDIKVTMAN::selectedNode() const {
    const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

}  // namespace k4
