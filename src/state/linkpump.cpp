#include "state/linkpump.h"

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
        QMetaObject::invokeMethod(this, &LinkPump::deliverNow, Qt::QueuedConnection);
    }
}

void LinkPump::deliverNow() {
    wakePending_.store(false, std::memory_order_release);
    queue_.deliverTo(target_);
}

}  // namespace k4
