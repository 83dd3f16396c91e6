// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/historywriter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace k4 {

namespace {

QString NewConnectionName() {
    static std::atomic<int> next{0};
    return QStringLiteral("k4history-writer-%1").arg(++next);
}

QVariant NullableText(const QString& s) {
    return s.isEmpty() ? QVariant() : QVariant(s);
}

}  // namespace

HistoryWriter::HistoryWriter(QString path, HistoryLimits limits, Callbacks callbacks)
    : path_(std::move(path)),
      limits_(limits),
      callbacks_(std::move(callbacks)),
      connection_(NewConnectionName()) {}

HistoryWriter::~HistoryWriter() {
    stop();
}

void HistoryWriter::start() {
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { run(); });
    }
}

void HistoryWriter::add(HistoryRow row) {
    {
        const std::lock_guard lock(mutex_);
        if (pending_.size() >= kMaxPending) {
            // The history has been off for long: the oldest waiting row makes room.
            pending_.erase(pending_.begin());
            ++dropped_;
        }
        pending_.push_back(std::move(row));
    }
    wake_.notify_one();
}

void HistoryWriter::flush() {
    std::unique_lock lock(mutex_);
    if (!thread_.joinable()) {
        return;
    }
    // A pass already under way may have taken its rows before the last add(): wait for the next.
    const std::uint64_t target = passes_ + (passRunning_ ? 2 : 1);
    flushTarget_ = std::max(flushTarget_, target);
    wake_.notify_one();
    done_.wait(lock, [&] { return passes_ >= target || finished_; });
}

void HistoryWriter::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

HistoryStatus HistoryWriter::status() const {
    const std::lock_guard lock(mutex_);
    return status_;
}

std::uint64_t HistoryWriter::dropped() const {
    const std::lock_guard lock(mutex_);
    return dropped_;
}

void HistoryWriter::setStatus(bool on, const QString& reason) {
    {
        const std::lock_guard lock(mutex_);
        if (status_.on == on && status_.reason == reason) {
            return;
        }
        status_ = {on, reason};
    }
    if (callbacks_.statusChanged) {
        callbacks_.statusChanged();
    }
}

void HistoryWriter::run() {
    {
        QSqlDatabase db = AddHistoryConnection(connection_, path_, false);
        Q_UNUSED(db);
    }
    openFile();
    Clock::time_point lastCommit{};
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto wanted = [&] {
            return stopping_ || flushTarget_ > passes_ ||
                   (open_ && (trimMore_ || !pending_.empty()));
        };
        if (open_) {
            wake_.wait_until(lock, nextTrim_, wanted);
            // At most one transaction per interval: what comes meanwhile joins the batch.
            wake_.wait_until(lock, lastCommit + kCommitInterval,
                             [&] { return stopping_ || flushTarget_ > passes_; });
        } else {
            wake_.wait_until(lock, nextTry_, wanted);
        }
        passRunning_ = true;
        std::vector<HistoryRow> batch;
        batch.swap(pending_);
        const bool last = stopping_;
        lock.unlock();

        if (!open_ && Clock::now() >= nextTry_) {
            openFile();
        }
        bool written = false;
        if (open_ && !batch.empty()) {
            written = writeBatch(batch);
            lastCommit = Clock::now();
            if (written && callbacks_.rowsWritten) {
                callbacks_.rowsWritten();
            }
        }
        if (open_ && (trimMore_ || Clock::now() >= nextTrim_)) {
            trimStep();
        }

        lock.lock();
        if (!written && !batch.empty()) {
            // Kept for the next try, ahead of what came meanwhile.
            batch.insert(batch.end(), std::make_move_iterator(pending_.begin()),
                         std::make_move_iterator(pending_.end()));
            pending_ = std::move(batch);
            if (pending_.size() > kMaxPending) {
                const auto excess = pending_.size() - kMaxPending;
                pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(excess));
                dropped_ += excess;
            }
        }
        passRunning_ = false;
        ++passes_;
        done_.notify_all();
        if (last) {
            break;
        }
    }
    finished_ = true;
    done_.notify_all();
    lock.unlock();
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

bool HistoryWriter::openFile() {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    db.close();
    workspaces_.clear();
    QDir().mkpath(QFileInfo(path_).absolutePath());
    HistoryOpen opened = PrepareHistoryFile(db);
    QString notice;
    if (opened.fault == HistoryFault::Corrupt) {
        db.close();
        const QString aside = CorruptFileName(path_, QDateTime::currentDateTimeUtc());
        if (MoveCorruptFileAside(path_)) {
            notice = QStringLiteral("the damaged file was moved aside as %1")
                         .arg(QFileInfo(aside).fileName());
            opened = PrepareHistoryFile(db);
        } else {
            opened.reason = QStringLiteral("the file is damaged and cannot be moved aside");
        }
    }
    open_ = opened.fault == HistoryFault::None;
    if (!open_) {
        db.close();
        nextTry_ = Clock::now() + kRetryInterval;
        setStatus(false, opened.reason);
        return false;
    }
    nextTrim_ = Clock::now();
    setStatus(true, notice);
    return true;
}

qint64 HistoryWriter::workspaceId(const QString& path) {
    for (const auto& [p, id] : workspaces_) {
        if (p == path) {
            return id;
        }
    }
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO workspaces(path) VALUES(?)"));
    q.addBindValue(path);
    if (!q.exec()) {
        return -1;
    }
    q.prepare(QStringLiteral("SELECT id FROM workspaces WHERE path=?"));
    q.addBindValue(path);
    if (!q.exec() || !q.next()) {
        return -1;
    }
    const qint64 id = q.value(0).toLongLong();
    workspaces_.emplace_back(path, id);
    return id;
}

bool HistoryWriter::writeBatch(std::vector<HistoryRow>& batch) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    HistoryOpen fault;
    if (db.transaction()) {
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("INSERT INTO events(utc_ms, kind, device, device_name, workspace, "
                           "text) VALUES(?, ?, ?, ?, ?, ?)"));
        bool ok = true;
        for (const HistoryRow& row : batch) {
            QVariant workspace;
            if (!row.workspace.isEmpty()) {
                const qint64 id = workspaceId(row.workspace);
                ok = id >= 0;
                workspace = id;
            }
            if (!ok) {
                break;
            }
            q.addBindValue(row.utcMs);
            q.addBindValue(static_cast<int>(row.kind));
            q.addBindValue(row.device == kNoDevice ? QVariant() : QVariant(row.device));
            q.addBindValue(NullableText(row.deviceName));
            q.addBindValue(workspace);
            q.addBindValue(NullableText(row.text));
            if (!q.exec()) {
                ok = false;
                fault = FaultOf(q.lastError().nativeErrorCode(), q.lastError().text());
                break;
            }
        }
        q.finish();
        if (ok && db.commit()) {
            return true;
        }
        if (fault.fault == HistoryFault::None) {
            fault = FaultOf(db.lastError().nativeErrorCode(), db.lastError().text());
        }
        db.rollback();
    } else {
        fault = FaultOf(db.lastError().nativeErrorCode(), db.lastError().text());
    }
    workspaces_.clear();  // ids of a rolled-back transaction
    if (fault.fault == HistoryFault::Locked) {
        // Another console held the file past the busy timeout: keep the rows and try again.
        return false;
    }
    db.close();
    open_ = false;
    // A damaged file is dealt with at once (moved aside); anything else waits a while.
    nextTry_ = fault.fault == HistoryFault::Corrupt ? Clock::now() : Clock::now() + kRetryInterval;
    setStatus(false, fault.reason);
    return false;
}

void HistoryWriter::trimStep() {
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    const qint64 cutoff =
        QDateTime::currentMSecsSinceEpoch() - qint64{limits_.keepDays} * 86'400'000;
    q.prepare(
        QStringLiteral("DELETE FROM events WHERE id IN "
                       "(SELECT id FROM events WHERE utc_ms < ? ORDER BY utc_ms LIMIT ?)"));
    q.addBindValue(cutoff);
    q.addBindValue(kTrimStep);
    int removed = q.exec() ? q.numRowsAffected() : 0;
    if (removed < kTrimStep && q.exec(QStringLiteral("SELECT count(*) FROM events")) && q.next()) {
        const qint64 excess = q.value(0).toLongLong() - limits_.keepRows;
        q.finish();
        if (excess > 0) {
            const qint64 n = std::min<qint64>(excess, kTrimStep - removed);
            q.prepare(
                QStringLiteral("DELETE FROM events WHERE id IN "
                               "(SELECT id FROM events ORDER BY id LIMIT ?)"));
            q.addBindValue(n);
            if (q.exec()) {
                removed += q.numRowsAffected();
            }
            trimMore_ = excess > n;
        } else {
            trimMore_ = false;
        }
    } else {
        trimMore_ = removed >= kTrimStep;
    }
    nextTrim_ = Clock::now() + kTrimInterval;
}

}  // namespace k4
