// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/historyrecorder.h"
#include "history/historywriter.h"

#include <QObject>

#include <atomic>
#include <memory>

namespace k4 {

class LinkEventHub;

// The history of one program run: opens the file at a path, starts its writer, records what a
// hub publishes and what the operator does, and writes what is pending when it goes. Needs no
// window (the service keeps one too). GUI/main thread; its signals come there.
class HistoryKeeper final : public QObject {
    Q_OBJECT
public:
    HistoryKeeper(const QString& path, HistoryLimits limits, HistoryRecorder::Context context,
                  QObject* parent = nullptr);
    ~HistoryKeeper() override;

    // Starts the writer and marks the start of the run in the file.
    void start();
    // Records what hub publishes from now on, until detach() or the keeper goes.
    void attach(LinkEventHub& hub);
    void detach();

    HistoryRecorder& recorder() { return recorder_; }
    HistoryWriter& writer() { return writer_; }
    HistoryStatus status() const { return writer_.status(); }
    // "History off: the disk is full"; a notice while on; empty when there is nothing to say.
    QString statusText() const;

Q_SIGNALS:
    void statusChanged();
    void rowsWritten();

private:
    HistoryWriter writer_;
    HistoryRecorder recorder_;
    LinkEventHub* hub_ = nullptr;
    int token_ = 0;
    std::atomic<bool> writtenPending_{false};
};

// The status bar's words for a status.
QString HistoryStatusText(const HistoryStatus& status);

}  // namespace k4
