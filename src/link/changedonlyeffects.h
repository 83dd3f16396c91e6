// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/exchangeeffects.h"

#include <optional>
#include <unordered_map>

namespace k4 {

// Sits between one link thread and the effects it hands over, and passes on only what changes
// what the operator sees: a display reply equal to what its panel already shows (cells and
// highlight), the communication-error text over the same text, a node picture the node already
// has, and the repaints that would follow them go no further. Raising a panel, beeps, line
// states and the end of each key's exchange always pass. What a view shows is known only from what
// went through here, so a fresh filter (one per link start) passes everything once. Link thread
// only.
class ChangedOnlyEffects final : public ExchangeEffects {
public:
    explicit ChangedOnlyEffects(ExchangeEffects& next) : next_(next) {}

    void writeCells(PanelHandle panel, const DisplayCells& cells,
                    std::uint8_t highlightMask) override;
    void showCommError(PanelHandle panel) override;
    void repaintPanel(PanelHandle panel) override;
    void showPanel(PanelHandle panel) override { next_.showPanel(panel); }
    void setNodeImage(NodeHandle node, int image) override;
    void repaintTree() override;
    void beep() override { next_.beep(); }
    void lineStateChanged(const LineState& state) override { next_.lineStateChanged(state); }
    void keyExchanged(std::uint8_t address, std::uint8_t key, bool failed,
                      CommandOwner owner) override {
        next_.keyExchanged(address, key, failed, owner);
    }
    // Every event is a change.
    void linkEvent(const LinkEvent& event) override { next_.linkEvent(event); }

private:
    struct Shown {
        std::optional<DisplayCells> cells;  // none: unknown, or the error text
        bool commError = false;
        bool changedSinceRepaint = false;
    };

    ExchangeEffects& next_;
    std::unordered_map<PanelHandle, Shown> panels_;
    std::unordered_map<NodeHandle, int> images_;
    bool treeChangedSinceRepaint_ = false;
};

}  // namespace k4
