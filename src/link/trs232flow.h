// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/devicetable.h"
#include "link/commandring.h"
#include "link/exchangeeffects.h"
#include "link/linecapture.h"
#include "link/linescan.h"
#include "link/linestate.h"
#include "link/pollcounters.h"
#include "link/pollorder.h"
#include "link/wakeevent.h"
#include "port/serialio.h"

#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace k4 {

// The loop waits this long for a key command before it polls the next record.
inline constexpr std::chrono::milliseconds kLinkTick{10};

// Optional hooks for measuring the link; without an observer the thread pays one test at its
// start and one at its end. Both run on the link thread.
class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    virtual void linkThreadStarted() {}
    virtual void linkThreadFinished() {}
};

// The link thread: the only code that touches the port. It opens the port on itself (so the
// port's objects live on the thread that uses them), holds until resume(), then every tick either
// sends the key commands queued in its ring or polls the next record of the table.
class TRS232flow : public QThread {
public:
    // table and effects must outlive the thread.
    TRS232flow(DeviceTable& table, ExchangeEffects& effects, PortFactory factory);
    ~TRS232flow() override;  // stops and waits for a running loop

    // Signalled by QueueCommand (and Wake) to end the loop's wait at once.
    WakeEvent WorkEvent;
    // The open port; null while closed or when opening failed. The link thread's alone while it
    // runs.
    std::unique_ptr<SerialIo> PortHandle;
    // 1 to 255, or 0 for a number no port can have (never opened).
    std::uint8_t PortNumber = 0;
    // Ring, RingHead and RingTail: the key commands waiting for the line.
    CommandRing Ring;

    // Makes and opens the port for PortNumber; on failure PortHandle stays null. Called on the
    // link thread before the loop begins, and by the loop while the port is not open.
    bool OpenPort();
    void ClosePort();

    // GUI thread: queues a key command and wakes the loop. False when 16 are already pending.
    bool QueueCommand(std::uint8_t address, std::uint8_t key, CommandOwner owner = kNoOwner);

    // GUI thread. Starts the thread, which makes the port and opens it, then holds; returns once
    // the outcome of the opening is known, true when the port is open. A port that opens in the
    // background (a line on the network) is opened only after resume(): startSuspended returns
    // false for it at once and openingInBackground() tells, and the outcome comes as the
    // retries' do, with onFirstOpenFailed called on the link thread when it fails. False too
    // when the thread could not be created.
    bool startSuspended();
    bool openingInBackground() const { return background_; }
    // Set before startSuspended: told, on the link thread, that a port opened in the background
    // could not be opened at the start.
    void setFirstOpenFailed(std::function<void()> onFailed) {
        firstOpenFailed_ = std::move(onFailed);
    }
    // GUI thread: false when startSuspended could not create the thread (no port, no loop).
    bool threadCreated() const { return threadCreated_; }
    // Lets the held thread into the link loop.
    void resume();
    // Sets the terminated flag and wakes the loop; the loop ends after the wait or exchange it is
    // in, leaving queued commands unsent.
    void requestStop();
    bool stopRequested() const { return terminated_.load(std::memory_order_acquire); }
    // requestStop, then waits until the thread has ended and the port is closed.
    void stopAndWait();

    // Set before startSuspended; not owned.
    void setObserver(LinkObserver* observer) { observer_ = observer; }
    // Where every exchange and change of the line is recorded, and the scan to run between
    // polls. Set before startSuspended; not owned; either may be null.
    void setLineTools(LineCapture* capture, LineScan* scan) {
        capture_ = capture;
        scan_ = scan;
    }

    // Where the polls and the rounds are counted. Set before startSuspended; not owned; may be
    // null.
    void setPollCounters(PollCounters* counters) { counters_ = counters; }

    // Any thread: the device whose panel this is gets every other poll (kNoHandle: none, the
    // plain round robin).
    void followPanel(PanelHandle panel) { followed_.store(panel, std::memory_order_release); }

protected:
    void run() override;

private:
    // Makes the port for PortNumber; null when there is none. Its waits give up at a stop.
    std::unique_ptr<SerialIo> makePort();
    // Opens the port made; on failure PortHandle becomes null.
    bool openMade();
    void linkLoop();
    void drainRing();
    void pollNextRecord();
    // The slot of the followed panel's device while it is in use, else -1.
    int followedSlot(int lastIndex) const;
    SerialIo& port();
    // Closes a port that has failed, and opens a lost port (or one that could not be opened at
    // the start) when it is due, one attempt a tick at most; tells the views when the line's
    // state changes.
    void keepLine();
    // Waits the open port's settle time before its first frame.
    void settleLine();
    void reportLine(LineCondition condition);

    DeviceTable& table_;
    ExchangeEffects& effects_;
    PortFactory factory_;
    LinkObserver* observer_ = nullptr;
    LineCapture* capture_ = nullptr;
    LineScan* scan_ = nullptr;
    PollCounters* counters_ = nullptr;
    bool probeTurn_ = false;  // link thread: the next idle tick may probe for the scan
    PollOrder polls_;
    std::atomic<PanelHandle> followed_{kNoHandle};
    std::atomic<bool> terminated_{false};
    bool threadCreated_ = false;  // the GUI thread's
    // Link thread only: the state of the port and the device it names.
    LineKeeper line_;
    std::string device_;
    std::string openError_;   // why the last opening failed
    std::string lostReason_;  // why the port was lost, as it said
    std::function<void()> firstOpenFailed_;
    LineState reported_;                // what the views were told last
    std::int64_t lineDownSinceNs_ = 0;  // when the line was last lost or could not open

    // The start and end hand-overs between the GUI thread and the link thread. Qt's own thread
    // start and wait are not visible to the race checker; these are.
    std::mutex handoverMutex_;
    std::condition_variable handoverCv_;
    bool opened_ = false;
    bool openDone_ = false;
    bool background_ = false;  // written before openDone_, read after it
    bool resumed_ = false;
    bool finished_ = false;
};

}  // namespace k4
