// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/linkupdatequeue.h"

#include <algorithm>
#include <utility>

namespace k4 {

LinkUpdateQueue::LinkUpdateQueue(Wake wake) : wake_(std::move(wake)) {}

void LinkUpdateQueue::setWake(Wake wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

void LinkUpdateQueue::push(const Update& u) {
    Wake wake;
    {
        std::lock_guard lock(mutex_);
        const bool wasEmpty = idleLocked();
        pending_.push_back(u);
        if (wasEmpty) {
            wake = wake_;
        }
    }
    // Woken outside the lock: the GUI may already be draining.
    if (wake) {
        wake();
    }
}

void LinkUpdateQueue::writeCells(PanelHandle panel, const DisplayCells& cells,
                                 std::uint8_t highlightMask) {
    push({Kind::Cells, highlightMask, panel, cells});
}
void LinkUpdateQueue::showCommError(PanelHandle panel) {
    push({Kind::CommError, 0, panel, {}});
}
void LinkUpdateQueue::repaintPanel(PanelHandle panel) {
    push({Kind::RepaintPanel, 0, panel, {}});
}
void LinkUpdateQueue::showPanel(PanelHandle panel) {
    push({Kind::ShowPanel, 0, panel, {}});
}
void LinkUpdateQueue::setNodeImage(NodeHandle node, int image) {
    push({Kind::NodeImage, static_cast<std::uint8_t>(image), node, {}});
}
void LinkUpdateQueue::repaintTree() {
    push({Kind::Tree, 0, kNoHandle, {}});
}
void LinkUpdateQueue::beep() {
    push({Kind::Beep, 0, kNoHandle, {}});
}

void LinkUpdateQueue::keyExchanged(std::uint8_t address, std::uint8_t key, bool failed,
                                   CommandOwner owner) {
    push({Kind::KeyEnded, key, address, {}, failed, 0, owner});
}

void LinkUpdateQueue::linkEvent(const LinkEvent& event) {
    Wake wake;
    {
        std::lock_guard lock(mutex_);
        const bool wasEmpty = idleLocked();
        Update u{Kind::Event, 0, kNoHandle, {}};
        u.event = events_.size();
        events_.push_back(event);
        pending_.push_back(u);
        if (wasEmpty) {
            wake = wake_;
        }
    }
    if (wake) {
        wake();
    }
}

void LinkUpdateQueue::lineStateChanged(const LineState& state) {
    Wake wake;
    {
        std::lock_guard lock(mutex_);
        if (idleLocked()) {
            wake = wake_;
        }
        line_ = state;
    }
    if (wake) {
        wake();
    }
}

std::size_t LinkUpdateQueue::deliverTo(ExchangeEffects& target) {
    delivering_.clear();
    deliveringEvents_.clear();
    std::optional<LineState> line;
    {
        std::lock_guard lock(mutex_);
        delivering_.swap(pending_);
        deliveringEvents_.swap(events_);
        line.swap(line_);
    }
    for (const Update& u : delivering_) {
        switch (u.kind) {
            case Kind::Cells:
                target.writeCells(u.handle, u.cells, u.value);
                break;
            case Kind::CommError:
                target.showCommError(u.handle);
                break;
            case Kind::RepaintPanel:
                target.repaintPanel(u.handle);
                break;
            case Kind::ShowPanel:
                target.showPanel(u.handle);
                break;
            case Kind::NodeImage:
                target.setNodeImage(u.handle, u.value);
                break;
            case Kind::Tree:
                target.repaintTree();
                break;
            case Kind::Beep:
                target.beep();
                break;
            case Kind::KeyEnded:
                target.keyExchanged(static_cast<std::uint8_t>(u.handle), u.value, u.failed,
                                    u.owner);
                break;
            case Kind::Event:
                target.linkEvent(deliveringEvents_[u.event]);
                break;
        }
    }
    if (line) {
        target.lineStateChanged(*line);
    }
    return delivering_.size();
}

void LinkUpdateQueue::discard() {
    // The line's and the devices' events belong to no view: whoever records them still gets them.
    std::lock_guard lock(mutex_);
    std::erase_if(pending_, [](const Update& u) { return u.kind != Kind::Event; });
}

std::size_t LinkUpdateQueue::pending() const {
    std::lock_guard lock(mutex_);
    return pending_.size();
}

}  // namespace k4
