// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Starts a child process for a test or a benchmark.
//
// Under ThreadSanitizer, a thread that has started a QProcess has none of its later locks seen
// (measured here with Debian's Qt: QProcess alone does it, a fork, vfork or posix_spawn from
// checked code does not). A test's main thread that started kvtsim would show races on
// everything it hands to the link under a lock, and would hide real ones. A short-lived thread
// starts the child instead and hands the process back.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>

#if defined(__SANITIZE_THREAD__)
// The child is forked from a process that has threads already (the starter below, a test's
// watchdog, the link); it execs at once, so ThreadSanitizer's refusal to go on after such a fork
// does not apply. Kept by every binary that includes this, whether or not it calls it.
extern "C" [[gnu::used]] inline const char* __tsan_default_options() {
    return "die_after_fork=0";
}
#endif

namespace k4test {

// Starts exe with args and waits up to timeoutMs for it to run. The process must have no parent
// and belong to the calling thread; it belongs to it again on return.
inline bool StartChildProcess(QProcess& process, const QString& exe, const QStringList& args,
                              int timeoutMs) {
    QThread* const caller = QThread::currentThread();
    std::atomic<bool> started{false};
    const std::unique_ptr<QThread> starter(QThread::create([&] {
        process.start(exe, args);
        started.store(process.waitForStarted(timeoutMs), std::memory_order_release);
        process.moveToThread(caller);
    }));
    process.moveToThread(starter.get());
    starter->start();
    starter->wait();
    return started.load(std::memory_order_acquire);
}

}  // namespace k4test
