// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/historyfile.h"
#include "history/historyrow.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace k4 {

// How much the history keeps: rows older than keepDays go, and the oldest rows beyond keepRows.
struct HistoryLimits {
    int keepDays = 90;
    qint64 keepRows = 2'000'000;
};

// Whether the history is kept now, and if not, why.
struct HistoryStatus {
    bool on = false;
    QString reason;  // when off: "the folder ... cannot be written"
};

// Writes rows to the history file on a thread of its own. Any thread hands rows over with add(),
// which only takes a lock and never waits on the disk; the writer commits what has come in one
// transaction, at most every commitInterval (so a crash loses at most that much). A file that
// cannot be used turns the history off with a reason and the rows that come meanwhile are kept
// (up to kMaxPending) and written when a later try works; a damaged file is moved aside and a new
// one begun. Trimming to the limits runs on the same thread, in small steps between batches.
class HistoryWriter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kCommitInterval{250};
    static constexpr std::chrono::seconds kRetryInterval{10};
    static constexpr std::chrono::minutes kTrimInterval{10};
    static constexpr std::size_t kMaxPending = 100'000;
    static constexpr int kTrimStep = 20'000;

    struct Callbacks {
        std::function<void()> statusChanged;  // on the writer thread
        std::function<void()> rowsWritten;    // on the writer thread, after each commit
    };

    HistoryWriter(QString path, HistoryLimits limits, Callbacks callbacks = {});
    ~HistoryWriter();  // stops, writing what is pending first
    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    void start();
    void add(HistoryRow row);  // any thread
    // Blocks until the writer has had one try at everything handed over so far (tests).
    void flush();
    void stop();

    HistoryStatus status() const;
    const QString& path() const { return path_; }
    // Rows dropped because too many waited while the history was off.
    std::uint64_t dropped() const;

private:
    void run();
    bool openFile();
    bool writeBatch(std::vector<HistoryRow>& batch);
    void trimStep();
    void setStatus(bool on, const QString& reason);
    qint64 workspaceId(const QString& path);

    const QString path_;
    const HistoryLimits limits_;
    const Callbacks callbacks_;
    const QString connection_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<HistoryRow> pending_;
    std::uint64_t dropped_ = 0;
    std::uint64_t passes_ = 0;       // passes of the writer's loop done
    std::uint64_t flushTarget_ = 0;  // a flush() waits for this many passes
    bool passRunning_ = false;
    bool stopping_ = false;
    bool finished_ = false;
    HistoryStatus status_;
    std::thread thread_;

    // Writer thread only.
    bool open_ = false;
    Clock::time_point nextTry_{};
    Clock::time_point nextTrim_{};
    bool trimMore_ = false;
    std::vector<std::pair<QString, qint64>> workspaces_;
};

}  // namespace k4
