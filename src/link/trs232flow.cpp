// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/trs232flow.h"

#include "core/portnumber.h"
#include "link/exchange.h"
#include "link/frame.h"

namespace k4 {

TRS232flow::TRS232flow(DeviceTable& table, ExchangeEffects& effects, PortFactory factory)
    : table_(table), effects_(effects), factory_(std::move(factory)) {
    setObjectName(QStringLiteral("TRS232flow"));  // the thread's name in the system's lists
}

TRS232flow::~TRS232flow() {
    stopAndWait();
}

std::unique_ptr<SerialIo> TRS232flow::makePort() {
    if (!IsPortNumber(PortNumber) || !factory_) {
        return nullptr;
    }
    std::unique_ptr<SerialIo> port = factory_(PortNumber);
    if (port) {
        device_ = port->deviceName();
        port->setStopFlag(&terminated_);
    }
    return port;
}

bool TRS232flow::openMade() {
    openError_.clear();
    if (!PortHandle) {
        openError_ = IsPortNumber(PortNumber) ? std::string() : "no such port";
        return false;
    }
    if (!PortHandle->open()) {
        openError_ = PortHandle->openError();
        PortHandle.reset();
        return false;
    }
    return true;
}

bool TRS232flow::OpenPort() {
    PortHandle = makePort();
    return openMade();
}

void TRS232flow::ClosePort() {
    if (PortHandle) {
        PortHandle->close();
        PortHandle.reset();
    }
}

SerialIo& TRS232flow::port() {
    static NoPort noPort;
    // A failed port stands in for no port until keepLine closes it: its calls only fail.
    return PortHandle && !PortHandle->failed() ? *PortHandle : static_cast<SerialIo&>(noPort);
}

bool TRS232flow::QueueCommand(std::uint8_t address, std::uint8_t key, CommandOwner owner) {
    if (!Ring.push(address, key, owner)) {
        return false;
    }
    WorkEvent.signal();
    return true;
}

bool TRS232flow::startSuspended() {
    start(QThread::NormalPriority);
    // A thread that could not be created never reports; it holds at its start until resume()
    // otherwise, so it cannot have ended yet.
    threadCreated_ = isRunning();
    if (!threadCreated_) {
        return false;
    }
    std::unique_lock lock(handoverMutex_);
    handoverCv_.wait(lock, [this] { return openDone_; });
    return opened_;
}

void TRS232flow::resume() {
    {
        std::lock_guard lock(handoverMutex_);
        resumed_ = true;
    }
    handoverCv_.notify_all();
}

void TRS232flow::requestStop() {
    terminated_.store(true, std::memory_order_release);
    {
        // Under the lock, so a thread about to hold before the loop cannot miss it.
        std::lock_guard lock(handoverMutex_);
    }
    handoverCv_.notify_all();
    WorkEvent.signal();
}

void TRS232flow::stopAndWait() {
    requestStop();
    wait();
    {
        // Orders everything the thread did before its end ahead of what the caller does next.
        std::lock_guard lock(handoverMutex_);
        (void)finished_;
    }
    ClosePort();  // the thread closes its port itself; this covers a thread never started
}

void TRS232flow::run() {
    if (observer_) {
        observer_->linkThreadStarted();
    }
    PortHandle = makePort();
    const bool background = PortHandle && PortHandle->opensInBackground();
    bool opened = false;
    if (!background) {
        opened = openMade();
        line_.started(opened, LineKeeper::Clock::now());
    }
    bool go = false;
    {
        std::unique_lock lock(handoverMutex_);
        opened_ = opened;
        background_ = background;
        openDone_ = true;
        handoverCv_.notify_all();
        handoverCv_.wait(lock, [this] { return resumed_ || stopRequested(); });
        go = resumed_;
    }
    if (go && background) {
        // The starter has long gone on with its work: this outcome reaches it as a retry's does.
        opened = openMade();
        line_.started(opened, LineKeeper::Clock::now());
        if (!opened && !stopRequested() && firstOpenFailed_) {
            firstOpenFailed_();
        }
    }
    if (go) {
        if (opened) {
            settleLine();
        }
        // An opening in the background cut short by a stop says nothing about the line.
        if (!background || !stopRequested()) {
            reportLine(line_.condition());
        }
        linkLoop();
        if (scan_ != nullptr) {
            scan_->linkEnded();
        }
        reportLine(LineCondition::Closed);
    }
    ClosePort();
    if (observer_) {
        observer_->linkThreadFinished();
    }
    std::lock_guard lock(handoverMutex_);
    finished_ = true;
}

void TRS232flow::linkLoop() {
    polls_ = PollOrder();
    if (counters_ != nullptr) {
        counters_->linkStarted();
    }
    while (!stopRequested()) {
        const bool signalled = WorkEvent.waitFor(kLinkTick);
        // A stop wakes the wait: leave without starting another exchange.
        if (stopRequested()) {
            break;
        }
        keepLine();
        if (signalled) {
            drainRing();
        } else if (probeTurn_ && scan_ != nullptr && scan_->active()) {
            // A scan takes every other tick at most, so the workspace keeps being polled. Without
            // an open port every address would seem silent: the scan ends and says why.
            if (PortHandle) {
                scan_->probeStep(table_, port(), capture_);
            } else {
                scan_->lineLost();
            }
            probeTurn_ = false;
        } else {
            pollNextRecord();
            probeTurn_ = true;
        }
    }
}

void TRS232flow::drainRing() {
    // Commands queued while the drain runs go out in the same drain, ahead of any poll. A stop
    // ends it after the exchange in progress: 16 commands to a silent line would hold the GUI
    // thread for most of a second, and the next start empties the ring anyway.
    while (!stopRequested()) {
        const auto command = Ring.pop();
        if (!command) {
            break;
        }
        const ExchangeResult result =
            Exchange(table_, port(), command->address, command->key, effects_, capture_);
        effects_.keyExchanged(command->address, command->key, result != ExchangeResult::Replied,
                              command->owner);
    }
}

void TRS232flow::pollNextRecord() {
    const int last = table_.lastIndex();
    if (last < 0) {
        return;
    }
    const DeviceRecord& r = table_[polls_.next(last, followedSlot(last))];
    if (counters_ != nullptr && polls_.beganRound()) {
        counters_->noteRoundStart(HealthClockNs());
    }
    // A record without the in-use flag takes its tick without line traffic.
    if (r.inUse()) {
        Exchange(table_, port(), r.DevID.load(std::memory_order_acquire), kPollKey, effects_,
                 capture_);
        if (counters_ != nullptr) {
            counters_->notePoll();
        }
    }
}

int TRS232flow::followedSlot(int lastIndex) const {
    const PanelHandle panel = followed_.load(std::memory_order_acquire);
    if (panel == kNoHandle) {
        return -1;
    }
    for (int i = 0; i <= lastIndex; ++i) {
        if (table_[i].Panel.load(std::memory_order_acquire) == panel) {
            return table_[i].inUse() ? i : -1;
        }
    }
    return -1;
}

void TRS232flow::settleLine() {
    // Waited here, not in the port's open(), so the GUI thread that waits for the open's outcome
    // is not held for it; a stop cuts it short.
    std::unique_lock lock(handoverMutex_);
    handoverCv_.wait_for(lock, PortHandle->settleTime(), [this] { return stopRequested(); });
}

void TRS232flow::keepLine() {
    if (PortHandle && PortHandle->failed()) {
        // Every exchange fails from here on, so each device gets its one failure episode.
        lostReason_ = PortHandle->lossReason();
        ClosePort();
        line_.lost(LineKeeper::Clock::now());
        reportLine(LineCondition::Lost);
        return;
    }
    if (!PortHandle && line_.reopenDue(LineKeeper::Clock::now())) {
        const bool opened = OpenPort();
        if (opened) {
            settleLine();
        }
        if (stopRequested()) {
            return;  // an opening cut short by the stop says nothing about the line
        }
        line_.reopenTried(opened, LineKeeper::Clock::now());
        // Open now, or still not, perhaps for another reason (the adapter is back but busy).
        reportLine(line_.condition());
    }
}

void TRS232flow::reportLine(LineCondition condition) {
    std::string reason;
    if (condition == LineCondition::CannotOpen) {
        reason = openError_;
    } else if (condition == LineCondition::Lost) {
        reason = lostReason_;
    }
    LineState state{condition, PortNumber, device_, std::move(reason)};
    if (state == reported_) {
        return;
    }
    const std::optional<LinkEvent::Kind> turn = LineTurn(reported_.condition, condition);
    reported_ = state;
    if (capture_ != nullptr) {
        capture_->recordLine(reported_);
    }
    effects_.lineStateChanged(reported_);
    if (turn) {
        LinkEvent e = StampedEvent(*turn);
        e.line = reported_;
        if (*turn == LinkEvent::Kind::LineLost || *turn == LinkEvent::Kind::LineCannotOpen) {
            lineDownSinceNs_ = e.atNs;
        } else if (*turn == LinkEvent::Kind::LineBack) {
            e.sinceNs = lineDownSinceNs_;
        }
        effects_.linkEvent(e);
    }
}

}  // namespace k4
