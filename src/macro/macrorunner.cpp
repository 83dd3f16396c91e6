// SPDX-License-Identifier: GPL-3.0-or-later
#include "macro/macrorunner.h"

#include "link/trs232flow.h"
#include "state/recordoperator.h"

namespace k4 {

MacroRunner::MacroRunner(Queue queue, TakeBack takeBack, QObject* parent)
    : QObject(parent),
      queue_(std::move(queue)),
      takeBack_(std::move(takeBack)),
      now_([] { return MacroRun::Clock::now(); }) {
    tick_.setInterval(kLinkTick);
    connect(&tick_, &QTimer::timeout, this, &MacroRunner::pump);
}

void MacroRunner::setClock(Now now) {
    now_ = std::move(now);
}

void MacroRunner::setLinkEpoch(Epoch epoch) {
    epoch_ = std::move(epoch);
}

bool MacroRunner::linkChanged() const {
    return epoch_ && epoch_() != startEpoch_;
}

bool MacroRunner::start(const QString& name, std::vector<MacroStep> steps,
                        std::vector<std::uint8_t> addresses) {
    if (run_) {
        refused_ = QStringLiteral("macro '%1' not started").arg(name);
        show(QStringLiteral("Macro '%1' not started: macro '%2' is %3")
                 .arg(name, run_->name(),
                      run_->stopped() ? QStringLiteral("stopping") : QStringLiteral("running")));
        return false;
    }
    ++ticket_;
    if (ticket_ == kNoOwner) {
        ++ticket_;
    }
    RecordOperator(HistoryKind::MacroStarted, QStringLiteral("Macro '%1' started").arg(name));
    run_.emplace(name, std::move(steps), std::move(addresses));
    startEpoch_ = epoch_ ? epoch_() : 0;
    refused_.clear();
    tick_.start();
    shown_.clear();
    Q_EMIT runningChanged(true);
    pump();
    return true;
}

void MacroRunner::stop() {
    if (!run_ || run_->stopped()) {
        return;
    }
    run_->stop();
    if (takeBack_) {
        for (const KeyCommand& command : takeBack_(ticket_)) {
            run_->takenBack(command.address, command.key);
        }
    }
    pump();
}

void MacroRunner::keyEnded(std::uint8_t address, std::uint8_t key, bool failed,
                           CommandOwner owner) {
    // Only the run's own keys: an operator may click the key the run waits for on its device.
    if (!run_ || owner != ticket_) {
        return;
    }
    run_->keyEnded(address, key, failed);
    pump();
}

void MacroRunner::pump() {
    if (!run_) {
        return;
    }
    if (linkChanged()) {
        // The ring went with the link: nothing of the run is on its way any more.
        run_->stop();
        finish();
        return;
    }
    run_->advance(now_(), [this](std::uint8_t address, std::uint8_t key) {
        return queue_ && queue_(address, key, ticket_);
    });
    if (run_->finished()) {
        finish();
        return;
    }
    const QString progress = run_->progressText();
    show(refused_.isEmpty() ? progress : progress + QStringLiteral("; ") + refused_);
}

void MacroRunner::show(const QString& text) {
    if (text != shown_) {
        shown_ = text;
        Q_EMIT statusChanged(text);
    }
}

void MacroRunner::finish() {
    const QString text = run_->endText();
    RecordOperator(HistoryKind::MacroEnded, text);
    run_.reset();
    refused_.clear();
    tick_.stop();
    shown_ = text;
    Q_EMIT statusChanged(text);
    Q_EMIT runningChanged(false);
}

}  // namespace k4
