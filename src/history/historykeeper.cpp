// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/historykeeper.h"

#include "link/linkeventhub.h"

namespace k4 {

HistoryKeeper::HistoryKeeper(const QString& path, HistoryLimits limits,
                             HistoryRecorder::Context context, QObject* parent)
    : QObject(parent),
      writer_(path, limits,
              {[this] {
                   // Only the wake-up goes through Qt; the status is read under the writer's lock.
                   QMetaObject::invokeMethod(this, &HistoryKeeper::statusChanged,
                                             Qt::QueuedConnection);
               },
               [this] {
                   if (!writtenPending_.exchange(true)) {
                       QMetaObject::invokeMethod(
                           this,
                           [this] {
                               writtenPending_.store(false);
                               Q_EMIT rowsWritten();
                           },
                           Qt::QueuedConnection);
                   }
               }}),
      recorder_([this](HistoryRow row) { writer_.add(std::move(row)); }, std::move(context)) {}

HistoryKeeper::~HistoryKeeper() {
    detach();
    writer_.stop();
}

void HistoryKeeper::start() {
    writer_.start();
    recorder_.recordOperator(HistoryKind::ConsoleStarted, kNoDevice, {},
                             QStringLiteral("history started"));
}

void HistoryKeeper::attach(LinkEventHub& hub) {
    detach();
    hub_ = &hub;
    token_ = hub.subscribe([this](const LinkEvent& e) { recorder_.record(e); });
}

void HistoryKeeper::detach() {
    if (hub_ != nullptr) {
        hub_->unsubscribe(token_);
        hub_ = nullptr;
    }
}

QString HistoryKeeper::statusText() const {
    return HistoryStatusText(status());
}

QString HistoryStatusText(const HistoryStatus& status) {
    if (!status.on) {
        // Off with no reason: the writer has not tried the file yet.
        if (status.reason.isEmpty()) {
            return {};
        }
        return QStringLiteral("History off: ") + status.reason;
    }
    return status.reason.isEmpty() ? QString() : QStringLiteral("History: ") + status.reason;
}

}  // namespace k4
