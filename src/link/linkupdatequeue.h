// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/exchangeeffects.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace k4 {

// Carries the effects of exchanges from the link thread to the GUI thread, in the order they were
// made. The link thread records each effect under a short lock and never waits for the GUI; the
// GUI thread is only woken (once per batch) and then applies the batch itself. So StopLink, which
// blocks the GUI thread until the link loop ends, can never deadlock with an update in flight.
class LinkUpdateQueue final : public ExchangeEffects {
public:
    // Called on the link thread when the queue turns non-empty; must only wake the GUI thread.
    using Wake = std::function<void()>;

    explicit LinkUpdateQueue(Wake wake = {});
    void setWake(Wake wake);

    void writeCells(PanelHandle panel, const DisplayCells& cells,
                    std::uint8_t highlightMask) override;
    void showCommError(PanelHandle panel) override;
    void repaintPanel(PanelHandle panel) override;
    void showPanel(PanelHandle panel) override;
    void setNodeImage(NodeHandle node, int image) override;
    void repaintTree() override;
    void beep() override;
    // Only the latest line state waits: an older one would be stale by the time it is shown.
    void lineStateChanged(const LineState& state) override;
    void keyExchanged(std::uint8_t address, std::uint8_t key, bool failed,
                      CommandOwner owner) override;
    void linkEvent(const LinkEvent& event) override;

    // GUI thread: applies every pending effect, oldest first, to target, then hands over the
    // latest line state if it changed. Returns how many effects.
    std::size_t deliverTo(ExchangeEffects& target);
    // Drops every pending effect (a closed workspace takes its views with it); the line state
    // belongs to no view and stays.
    void discard();
    std::size_t pending() const;

private:
    enum class Kind : std::uint8_t {
        Cells,
        CommError,
        RepaintPanel,
        ShowPanel,
        NodeImage,
        Tree,
        Beep,
        KeyEnded,
        Event
    };
    struct Update {
        Kind kind;
        std::uint8_t value;    // highlight mask or image
        std::uint64_t handle;  // or the address of an ended key
        DisplayCells cells;
        bool failed = false;
        std::size_t event = 0;          // Event: its place in events_
        CommandOwner owner = kNoOwner;  // KeyEnded: who queued the key
    };
    void push(const Update& u);
    // Under mutex_: true when nothing waits for the GUI, so the next arrival must wake it.
    bool idleLocked() const { return pending_.empty() && !line_; }

    mutable std::mutex mutex_;
    std::vector<Update> pending_;
    std::vector<Update> delivering_;  // GUI thread only; kept to reuse its capacity
    // The events of the pending updates, apart so an update stays small; swapped like them.
    std::vector<LinkEvent> events_;
    std::vector<LinkEvent> deliveringEvents_;
    std::optional<LineState> line_;
    Wake wake_;
};

}  // namespace k4
