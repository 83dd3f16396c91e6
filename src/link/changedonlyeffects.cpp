// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/changedonlyeffects.h"

namespace k4 {

void ChangedOnlyEffects::writeCells(PanelHandle panel, const DisplayCells& cells,
                                    std::uint8_t highlightMask) {
    DisplayCells result = cells;
    for (std::uint8_t& cell : result) {
        cell |= highlightMask;
    }
    Shown& shown = panels_[panel];
    if (!shown.commError && shown.cells == result) {
        return;
    }
    shown.cells = result;
    shown.commError = false;
    shown.changedSinceRepaint = true;
    next_.writeCells(panel, cells, highlightMask);
}

void ChangedOnlyEffects::showCommError(PanelHandle panel) {
    Shown& shown = panels_[panel];
    if (shown.commError) {
        return;
    }
    shown.cells.reset();
    shown.commError = true;
    shown.changedSinceRepaint = true;
    next_.showCommError(panel);
}

void ChangedOnlyEffects::repaintPanel(PanelHandle panel) {
    Shown& shown = panels_[panel];
    if (!shown.changedSinceRepaint) {
        return;
    }
    shown.changedSinceRepaint = false;
    next_.repaintPanel(panel);
}

void ChangedOnlyEffects::setNodeImage(NodeHandle node, int image) {
    const auto [it, added] = images_.try_emplace(node, image);
    if (!added && it->second == image) {
        return;
    }
    it->second = image;
    treeChangedSinceRepaint_ = true;
    next_.setNodeImage(node, image);
}

void ChangedOnlyEffects::repaintTree() {
    if (!treeChangedSinceRepaint_) {
        return;
    }
    treeChangedSinceRepaint_ = false;
    next_.repaintTree();
}

}  // namespace k4
