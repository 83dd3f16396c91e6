// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <atomic>

namespace k4 {

class LinkUpdateQueue;
class ExchangeEffects;

// Wakes the GUI thread when the link thread has queued effects, and applies them there. The only
// thing that crosses threads through Qt is the wake-up itself; the data goes through the queue's
// own lock.
class LinkPump final : public QObject {
    Q_OBJECT
public:
    LinkPump(LinkUpdateQueue& queue, ExchangeEffects& target, QObject* parent = nullptr);
    ~LinkPump() override;

    // GUI thread: applies what is pending now (also called by the wake-up).
    void deliverNow();

private:
    void wake();      // any thread
    void postWake();  // any thread: asks Qt to run deliverNow on the GUI thread

    LinkUpdateQueue& queue_;
    ExchangeEffects& target_;
    std::atomic<bool> wakePending_{false};
};

}  // namespace k4
