// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/devicehealth.h"

#include <QStringList>

#include <chrono>

namespace k4 {

namespace {

constexpr std::int64_t kNsPerDecisecond = 100'000'000;
constexpr std::int64_t kNsPerSecond = 1'000'000'000;

void Increment(std::atomic<std::uint64_t>& counter) {
    counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

QString Counted(std::uint64_t n, const char* one, const char* many) {
    return GroupedCount(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

}  // namespace

std::int64_t HealthClockNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void DeviceHealth::noteReply(std::int64_t nowNs) {
    Increment(replies_);
    lastReplyNs_.store(nowNs, std::memory_order_relaxed);
}

void DeviceHealth::noteFailure(bool startsEpisode) {
    if (startsEpisode) {
        failuresBeforeEpisode_.store(failures_.load(std::memory_order_relaxed),
                                     std::memory_order_relaxed);
        episodeStartNs_.store(HealthClockNs(), std::memory_order_relaxed);
        Increment(episodes_);
    }
    Increment(failures_);
}

std::uint64_t DeviceHealth::episodeFailures() const {
    return failures_.load(std::memory_order_relaxed) -
           failuresBeforeEpisode_.load(std::memory_order_relaxed);
}

bool DeviceHealth::noteAttentionBit(bool set) {
    return attentionHeld_.exchange(set, std::memory_order_relaxed) != set;
}

std::int64_t DeviceHealth::episodeStartNs() const {
    return episodeStartNs_.load(std::memory_order_relaxed);
}

HealthCounts DeviceHealth::counts() const {
    HealthCounts c;
    c.replies = replies_.load(std::memory_order_relaxed);
    c.failures = failures_.load(std::memory_order_relaxed);
    c.episodes = episodes_.load(std::memory_order_relaxed);
    c.lastReplyNs = lastReplyNs_.load(std::memory_order_relaxed);
    return c;
}

bool DeviceHealth::isClear() const {
    const HealthCounts c = counts();
    return c.replies == 0 && c.failures == 0 && c.episodes == 0 &&
           c.lastReplyNs == HealthCounts::kNever;
}

void DeviceHealth::reset() {
    replies_.store(0);
    failures_.store(0);
    episodes_.store(0);
    lastReplyNs_.store(HealthCounts::kNever);
    failuresBeforeEpisode_.store(0);
    episodeStartNs_.store(HealthCounts::kNever);
    attentionHeld_.store(false);
}

void DeviceHealth::copyFrom(const DeviceHealth& other) {
    const HealthCounts c = other.counts();
    replies_.store(c.replies);
    failures_.store(c.failures);
    episodes_.store(c.episodes);
    lastReplyNs_.store(c.lastReplyNs);
    failuresBeforeEpisode_.store(other.failuresBeforeEpisode_.load());
    episodeStartNs_.store(other.episodeStartNs_.load());
    attentionHeld_.store(other.attentionHeld_.load());
}

QString GroupedCount(std::uint64_t n) {
    QString digits = QString::number(n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, QLatin1Char(' '));
    }
    return digits;
}

QString ElapsedText(std::int64_t ns) {
    if (ns < 0) {
        ns = 0;  // a reply stamped a moment after the caller read its clock
    }
    const std::int64_t seconds = ns / kNsPerSecond;
    if (seconds < 60) {
        const std::int64_t tenths = ns / kNsPerDecisecond;
        return QStringLiteral("%1.%2 s").arg(tenths / 10).arg(tenths % 10);
    }
    if (seconds < 3600) {
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    }
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

QString HealthSummary(const QString& deviceLabel, const HealthCounts& counts, std::int64_t nowNs) {
    QStringList parts;
    parts << Counted(counts.replies, "reply", "replies");
    if (counts.failures == 0) {
        parts << QStringLiteral("none failed");
    } else {
        parts << QStringLiteral("%1 failed in %2")
                     .arg(GroupedCount(counts.failures),
                          Counted(counts.episodes, "episode", "episodes"));
    }
    if (counts.lastReplyNs == HealthCounts::kNever) {
        parts << QStringLiteral("no reply yet");
    } else {
        parts << QStringLiteral("last reply %1 ago").arg(ElapsedText(nowNs - counts.lastReplyNs));
    }
    return deviceLabel + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

}  // namespace k4
