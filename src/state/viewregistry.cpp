// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/viewregistry.h"

#include <QApplication>

namespace k4 {

void ViewRegistry::addPanel(PanelHandle handle, PanelView* view) {
    if (handle != kNoHandle) {
        panels_[handle] = view;
    }
}

void ViewRegistry::removePanel(PanelHandle handle) {
    panels_.erase(handle);
}

PanelView* ViewRegistry::panel(PanelHandle handle) const {
    const auto it = panels_.find(handle);
    return it == panels_.end() ? nullptr : it->second;
}

void ViewRegistry::setTree(TreeView* tree) {
    tree_ = tree;
}

void ViewRegistry::writeCells(PanelHandle handle, const DisplayCells& cells,
                              std::uint8_t highlightMask) {
    if (PanelView* p = panel(handle)) {
        p->writeCells(cells, highlightMask);
    }
}

void ViewRegistry::showCommError(PanelHandle handle) {
    if (PanelView* p = panel(handle)) {
        p->showCommError();
    }
}

void ViewRegistry::repaintPanel(PanelHandle handle) {
    if (PanelView* p = panel(handle)) {
        p->repaintDisplay();
    }
}

void ViewRegistry::showPanel(PanelHandle handle) {
    if (PanelView* p = panel(handle)) {
        p->showAndRaise();
    }
}

void ViewRegistry::setNodeImage(NodeHandle node, int image) {
    if (tree_) {
        tree_->setNodeImage(node, image);
    }
}

void ViewRegistry::repaintTree() {
    if (tree_) {
        tree_->repaintTree();
    }
}

void ViewRegistry::beep() {
    QApplication::beep();
}

void ViewRegistry::lineStateChanged(const LineState& state) {
    line_ = state;
    if (lineListener_) {
        lineListener_(state);
    }
}

void ViewRegistry::keyExchanged(std::uint8_t address, std::uint8_t key, bool failed,
                                CommandOwner owner) {
    if (keyListener_) {
        keyListener_(address, key, failed, owner);
    }
}

void ViewRegistry::linkEvent(const LinkEvent& event) {
    events_.publish(event);
}

}  // namespace k4
