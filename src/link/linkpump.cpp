// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/linkpump.h"

#include "link/linkupdatequeue.h"

#include <QMetaObject>

namespace k4 {

LinkPump::LinkPump(LinkUpdateQueue& queue, ExchangeEffects& target, QObject* parent)
    : QObject(parent), queue_(queue), target_(target) {
    queue_.setWake([this] { wake(); });
}

LinkPump::~LinkPump() {
    queue_.setWake({});
}

void LinkPump::wake() {
    // One queued call per batch is enough: deliverNow takes everything pending.
    if (!wakePending_.exchange(true, std::memory_order_acq_rel)) {
        postWake();
    }
}

// Out of line, so that the race checker's suppressions can name it: Qt posts the call under its
// own lock, which the checker cannot see; nothing of ours is touched in here.
Q_NEVER_INLINE void LinkPump::postWake() {
    QMetaObject::invokeMethod(this, &LinkPump::deliverNow, Qt::QueuedConnection);
}

void LinkPump::deliverNow() {
    wakePending_.store(false, std::memory_order_release);
    queue_.deliverTo(target_);
}

}  // namespace k4
