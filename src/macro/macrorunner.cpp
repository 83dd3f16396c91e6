#include "macro/macrorunner.h"

#include "link/trs232flow.h"
#include "state/recordoperator.h"

namespace k4 {

MacroRunner::MacroRunner(MacroRun::Send send, QObject* parent)
    : QObject(parent), send_(std::move(send)), now_([] { return MacroRun::Clock::now(); }) {
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

void MacroRunner::start(const QString& name, std::vector<MacroStep> steps,
                        std::vector<std::uint8_t> addresses) {
    if (run_) {
        stop();
    }
    RecordOperator(HistoryKind::MacroStarted, QStringLiteral("Macro '%1' started").arg(name));
    run_.emplace(name, std::move(steps), std::move(addresses));
    startEpoch_ = epoch_ ? epoch_() : 0;
    tick_.start();
    shown_.clear();
    Q_EMIT runningChanged(true);
    pump();
}

void MacroRunner::stop() {
    if (!run_) {
        return;
    }
    run_->stop();
    finish();
}

void MacroRunner::keyEnded(std::uint8_t address, std::uint8_t key, bool failed) {
    if (!run_) {
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
        stop();
        return;
    }
    run_->advance(now_(), send_);
    if (run_->finished()) {
        finish();
        return;
    }
    const QString progress = run_->progressText();
    if (progress != shown_) {
        shown_ = progress;
        Q_EMIT statusChanged(progress);
    }
}

void MacroRunner::finish() {
    const QString text = run_->endText();
    RecordOperator(HistoryKind::MacroEnded, text);
    run_.reset();
    tick_.stop();
    shown_ = text;
    Q_EMIT statusChanged(text);
    Q_EMIT runningChanged(false);
}

}  // namespace k4
