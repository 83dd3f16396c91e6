// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/linkcontroller.h"

#include "link/changedonlyeffects.h"
#include "link/trs232flow.h"
#include "port/portpath.h"

#include <QDebug>
#include <QMetaObject>
#include <QObject>

#include <utility>

namespace k4 {

namespace {

NoEffects& NoEffectsInstance() {
    static NoEffects none;
    return none;
}

}  // namespace

LinkController::LinkController()
    : portFactory_(DefaultPortFactory(QString())),
      messageSink_([](const QString& text) { qWarning().noquote() << text; }),
      notices_(std::make_unique<QObject>()) {}

LinkController::~LinkController() {
    StopLink();
}

void LinkController::setPortFactory(PortFactory factory) {
    finishRetired();
    portFactory_ = std::move(factory);
}

void LinkController::setMessageSink(MessageSink sink) {
    messageSink_ = std::move(sink);
}

void LinkController::setEffects(ExchangeEffects* effects) {
    finishRetired();
    effects_ = effects;
}

void LinkController::setObserver(LinkObserver* observer) {
    finishRetired();
    observer_ = observer;
}

void LinkController::setLineTools(LineCapture* capture, LineScan* scan) {
    finishRetired();
    capture_ = capture;
    scan_ = scan;
}

void LinkController::setThreadStackSize(unsigned bytes) {
    stackSize_ = bytes;
}

void LinkController::StartLink(DeviceTable* table, std::uint8_t portNumber) {
    // One link at a time: a second start replaces the first.
    StopLink();
    if (table == nullptr) {
        return;
    }
    ExchangeEffects* effects = effects_ ? effects_ : &NoEffectsInstance();
    if (changesOnly_) {
        // What the views show is known only to this link's own filter: a new one starts blank.
        changes_ = std::make_unique<ChangedOnlyEffects>(*effects);
        effects = changes_.get();
    }
    thread_ = std::make_unique<TRS232flow>(*table, *effects, portFactory_);
    polled_ = table;
    TRS232flow* const link = thread_.get();
    link->followPanel(followed_);
    const std::uint64_t generation = ++generation_;
    link->PortNumber = portNumber;
    link->setObserver(observer_);
    link->setLineTools(capture_, scan_);
    link->setPollCounters(&pollCounters_);
    link->setStackSize(stackSize_);
    link->setFirstOpenFailed(
        [this, generation, portNumber] { noteFirstOpenFailed(generation, portNumber); });

    const bool opened = link->startSuspended();
    if (!link->threadCreated()) {
        // No loop would ever run: the link is not running, and the operator is told so.
        thread_.reset();
        changes_.reset();
        polled_ = nullptr;
        if (messageSink_) {
            messageSink_(QStringLiteral("link thread could not be started!"));
        }
        return;
    }
    if (!opened && !link->openingInBackground() && messageSink_) {
        messageSink_(QStringLiteral("port COM ") + QString::number(portNumber) +
                     QStringLiteral(" open error!"));
        // The message box runs an event loop: the link may have been stopped or replaced from
        // inside it. A replacement can sit at the freed object's address, so the generation
        // tells, not the pointer.
        if (generation_ != generation) {
            return;
        }
    }
    // Nothing queued before the loop begins survives: a start begins with an empty ring.
    link->Ring.reset();
    link->WorkEvent.reset();
    link->resume();
    running_.store(true, std::memory_order_release);
}

void LinkController::noteFirstOpenFailed(std::uint64_t generation, std::uint8_t portNumber) {
    {
        std::lock_guard lock(noticeMutex_);
        failedGeneration_ = generation;
        failedPort_ = portNumber;
    }
    postOpenNotice();
}

// Out of line, so that the race checker's suppressions can name it: Qt posts the call under its
// own lock, which the checker cannot see; the notice itself crosses under noticeMutex_.
Q_NEVER_INLINE void LinkController::postOpenNotice() {
    QMetaObject::invokeMethod(
        notices_.get(), [this] { showOpenNotice(); }, Qt::QueuedConnection);
}

void LinkController::showOpenNotice() {
    std::uint64_t generation = 0;
    std::uint8_t port = 0;
    {
        std::lock_guard lock(noticeMutex_);
        generation = std::exchange(failedGeneration_, 0);
        port = failedPort_;
    }
    // A link stopped or replaced since has nothing more to say.
    if (generation == 0 || generation != generation_ || !messageSink_) {
        return;
    }
    messageSink_(QStringLiteral("port COM ") + QString::number(port) +
                 QStringLiteral(" open error!"));
}

void LinkController::StopLink() {
    finishRetired();
    if (!thread_) {
        return;
    }
    ++generation_;
    // Ends the loop after its wait or the exchange in progress, and closes the port on the link
    // thread.
    thread_->stopAndWait();
    running_.store(false, std::memory_order_release);
    thread_.reset();
    changes_.reset();
    polled_ = nullptr;
}

void LinkController::RetireLink(std::shared_ptr<DeviceTable> table) {
    if (!thread_ || table == nullptr || polled_ != table.get()) {
        StopLink();
        return;
    }
    finishRetired();
    ++generation_;
    thread_->requestStop();
    running_.store(false, std::memory_order_release);
    retired_ = {std::move(thread_), std::move(changes_), std::move(table)};
    polled_ = nullptr;
}

void LinkController::finishRetired() {
    if (!retired_.thread) {
        return;
    }
    retired_.thread->stopAndWait();
    // The thread first, then its filter and its table, which it used to its end.
    retired_.thread.reset();
    retired_.changes.reset();
    retired_.table.reset();
}

void LinkController::RequestStop() {
    if (thread_) {
        thread_->requestStop();
    }
}

void LinkController::followPanel(PanelHandle panel) {
    followed_ = panel;
    if (thread_) {
        thread_->followPanel(panel);
    }
}

bool LinkController::QueueCommand(std::uint8_t address, std::uint8_t key, CommandOwner owner) {
    if (!thread_ || !isRunning()) {
        return false;
    }
    return thread_->QueueCommand(address, key, owner);
}

std::vector<KeyCommand> LinkController::TakeBackCommands(CommandOwner owner) {
    // A stopped link's ring is never sent: nothing of it needs taking back.
    if (!thread_ || !isRunning()) {
        return {};
    }
    return thread_->Ring.takeBack(owner);
}

void LinkController::Wake() {
    if (thread_ && isRunning()) {
        thread_->WorkEvent.signal();
    }
}

}  // namespace k4
