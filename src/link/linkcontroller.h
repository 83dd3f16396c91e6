// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/devicetable.h"
#include "link/commandring.h"
#include "link/exchangeeffects.h"
#include "link/pollcounters.h"
#include "port/serialio.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QObject;

namespace k4 {

class TRS232flow;
class LinkObserver;
class LineCapture;
class LineScan;

// Owns the one link thread of the program: StartLink creates it, StopLink stops, waits for and
// frees it, RetireLink lets it end on its own (never beside a new one: a start waits for it).
// Every call is made on the GUI thread.
class LinkController {
public:
    using PortFactory = k4::PortFactory;
    // Shows a message to the operator and returns once it has been acknowledged.
    using MessageSink = std::function<void(const QString& text)>;

    LinkController();
    ~LinkController();  // stops a running link
    LinkController(const LinkController&) = delete;
    LinkController& operator=(const LinkController&) = delete;

    void setPortFactory(PortFactory factory);
    void setMessageSink(MessageSink sink);
    // Where exchanges deliver their effects (normally a LinkUpdateQueue). Not owned.
    void setEffects(ExchangeEffects* effects);
    // Whether links started from now on drop the effects that change nothing a view shows
    // (ChangedOnlyEffects) before handing them over. Off by default: every effect is handed over.
    void setChangesOnly(bool on) { changesOnly_ = on; }
    // The device of this panel gets every other poll of the running link and of links started
    // later; kNoHandle for the plain round robin.
    void followPanel(PanelHandle panel);
    // Measuring hooks for every link thread started from now on (benchmarks). Not owned.
    void setObserver(LinkObserver* observer);
    // The line monitor's capture and the line scan, for every link thread started from now on.
    // Not owned; either may be null.
    void setLineTools(LineCapture* capture, LineScan* scan);
    // Stack size of link threads started from now on, in bytes; 0 (the default) takes the
    // platform's. A size the platform refuses leaves the thread uncreated.
    void setThreadStackSize(unsigned bytes);

    // Starts the link thread on portNumber, polling table (which must outlive the link). When the
    // port cannot be opened, shows "port COM n open error!" and runs without a port, trying it
    // again about once a second until it opens (port 0, which no port has, is never opened). When
    // the thread cannot be created, shows "link thread could not be started!" and no link runs.
    // A port on the network is opened on the link thread after the start, never waited for
    // here: its outcome comes as the line's state, and the message shows later (from the event
    // loop) when that first opening fails and the link still runs.
    void StartLink(DeviceTable* table, std::uint8_t portNumber);
    // Stops the thread (after the wait or exchange it is in; queued commands are dropped), closes
    // the port, frees it; waits for a retired link too. Does nothing when no link runs.
    void StopLink();
    // Asks the link that polls table to end and returns at once: the thread finishes the
    // exchange it is in on its own, and closes the port, holding table until it has. The next
    // start or stop waits for it, as does any change of what links are handed (effects,
    // observer, line tools, port factory). A link on another table is stopped as StopLink does.
    void RetireLink(std::shared_ptr<DeviceTable> table);
    // Asks the running link to end after the wait or exchange it is in, and returns at once; the
    // caller gets on with its work, and the StopLink that follows waits for less.
    void RequestStop();

    // Queues a key command and wakes the loop. False when no link runs or 16 commands are
    // already pending; the command is then dropped. owner's commands can be taken back.
    bool QueueCommand(std::uint8_t address, std::uint8_t key, CommandOwner owner = kNoOwner);
    // Takes back owner's commands that the running link has not begun to send: they never go
    // out. Those it has begun end as usual.
    std::vector<KeyCommand> TakeBackCommands(CommandOwner owner);
    // Wakes a running link loop at once (nothing when none runs).
    void Wake();

    // The link-running flag.
    bool isRunning() const { return running_.load(std::memory_order_acquire); }
    TRS232flow* thread() const { return thread_.get(); }
    // The polls and rounds of every link this controller has run (any thread may read them).
    const PollCounters& pollCounters() const { return pollCounters_; }
    // Changes with every start and stop: a key queued under one value that has not gone out when
    // it changes never will.
    std::uint64_t generation() const { return generation_; }

private:
    PortFactory portFactory_;
    MessageSink messageSink_;
    ExchangeEffects* effects_ = nullptr;
    LinkObserver* observer_ = nullptr;
    LineCapture* capture_ = nullptr;
    LineScan* scan_ = nullptr;
    std::unique_ptr<TRS232flow> thread_;
    std::unique_ptr<ExchangeEffects> changes_;  // the running link's filter, when one is used
    const DeviceTable* polled_ = nullptr;       // the running link's table
    // A link asked to end that may still be finishing its exchange, with what it uses.
    struct Retired {
        std::unique_ptr<TRS232flow> thread;
        std::unique_ptr<ExchangeEffects> changes;
        std::shared_ptr<DeviceTable> table;
    };
    Retired retired_;
    void finishRetired();
    bool changesOnly_ = false;
    PanelHandle followed_ = kNoHandle;
    // Counts starts and stops, so a start can tell that its link was stopped or replaced while
    // its message box was open.
    std::uint64_t generation_ = 0;
    unsigned stackSize_ = 0;
    std::atomic<bool> running_{false};

    // A first opening that failed on the link thread, noted there for the GUI thread.
    void noteFirstOpenFailed(std::uint64_t generation, std::uint8_t portNumber);  // link thread
    void postOpenNotice();  // link thread: only wakes the GUI thread
    void showOpenNotice();  // GUI thread
    std::mutex noticeMutex_;
    std::uint64_t failedGeneration_ = 0;  // under noticeMutex_; 0: nothing to tell
    std::uint8_t failedPort_ = 0;         // under noticeMutex_
    // Lives on the GUI thread; the link thread's wake-ups are delivered through it, and go with it.
    std::unique_ptr<QObject> notices_;
    PollCounters pollCounters_;
};

}  // namespace k4
