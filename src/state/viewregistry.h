// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/exchangeeffects.h"
#include "link/linkeventhub.h"

#include <functional>
#include <unordered_map>

namespace k4 {

// A panel window as the link's effects reach it (implemented by the panel window).
class PanelView {
public:
    virtual ~PanelView() = default;
    virtual void writeCells(const DisplayCells& cells, std::uint8_t highlightMask) = 0;
    virtual void showCommError() = 0;
    virtual void repaintDisplay() = 0;
    virtual void showAndRaise() = 0;
};

// The device tree as the link's effects reach it (implemented by the manager window).
class TreeView {
public:
    virtual ~TreeView() = default;
    virtual void setNodeImage(NodeHandle node, int image) = 0;
    virtual void repaintTree() = 0;
};

// GUI thread only: maps the handles that exchanges carry back to the windows that still live,
// and applies the effects to them. An effect for a handle no longer registered goes nowhere.
class ViewRegistry final : public ExchangeEffects {
public:
    void addPanel(PanelHandle handle, PanelView* view);
    void removePanel(PanelHandle handle);
    PanelView* panel(PanelHandle handle) const;
    void setTree(TreeView* tree);  // nullptr when the manager window goes
    TreeView* tree() const { return tree_; }

    void writeCells(PanelHandle panel, const DisplayCells& cells,
                    std::uint8_t highlightMask) override;
    void showCommError(PanelHandle panel) override;
    void repaintPanel(PanelHandle panel) override;
    void showPanel(PanelHandle panel) override;
    void setNodeImage(NodeHandle node, int image) override;
    void repaintTree() override;
    void beep() override;
    void lineStateChanged(const LineState& state) override;
    void keyExchanged(std::uint8_t address, std::uint8_t key, bool failed,
                      CommandOwner owner) override;
    void linkEvent(const LinkEvent& event) override;

    // Where the line's and the devices' events go on (the history, the metrics).
    LinkEventHub& events() { return events_; }

    // The line's latest state, and who shows it (the main window's status line). The listener
    // is called on every change; empty to stop.
    using LineListener = std::function<void(const LineState&)>;
    void setLineListener(LineListener listener) { lineListener_ = std::move(listener); }
    const LineState& lineState() const { return line_; }

    // Who waits for key commands to end (the macro runs); empty to stop.
    using KeyListener = std::function<void(std::uint8_t address, std::uint8_t key, bool failed,
                                           CommandOwner owner)>;
    void setKeyListener(KeyListener listener) { keyListener_ = std::move(listener); }

private:
    LineListener lineListener_;
    KeyListener keyListener_;
    LineState line_;
    LinkEventHub events_;
    std::unordered_map<PanelHandle, PanelView*> panels_;
    TreeView* tree_ = nullptr;
};

}  // namespace k4
