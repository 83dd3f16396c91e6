// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/linkevent.h"

#include <functional>
#include <utility>
#include <vector>

namespace k4 {

// Hands the line's and the devices' events, as the GUI thread receives them from the link, to
// everyone who keeps a record of them (the history, the metrics, the service's log). GUI thread
// only: the link's events reach it through the update queue.
class LinkEventHub {
public:
    using Listener = std::function<void(const LinkEvent&)>;

    // Returns a token for unsubscribe().
    int subscribe(Listener listener) {
        listeners_.emplace_back(++lastToken_, std::move(listener));
        return lastToken_;
    }
    void unsubscribe(int token) {
        std::erase_if(listeners_, [token](const auto& l) { return l.first == token; });
    }
    void publish(const LinkEvent& event) const {
        for (const auto& l : listeners_) {
            l.second(event);
        }
    }

private:
    std::vector<std::pair<int, Listener>> listeners_;
    int lastToken_ = 0;
};

}  // namespace k4
