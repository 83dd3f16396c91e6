// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs the bus simulator kvtsim on a pseudo-terminal for tests and the link benchmark: starts it,
// sends it commands and waits for their answers, reads its frame log.
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace k4test {

// One line of kvtsim's frame log.
struct LoggedFrame {
    std::int64_t timeUs = 0;  // monotonic clock, microseconds
    int address = -1;
    int key = -1;
    QString verdict;
};

class KvtsimProcess {
public:
    KvtsimProcess();
    ~KvtsimProcess();
    KvtsimProcess(const KvtsimProcess&) = delete;
    KvtsimProcess& operator=(const KvtsimProcess&) = delete;

    // The executable named by K4_KVTSIM; empty when unset or missing.
    static QString executable();

    // Starts kvtsim with a link in a fresh temporary folder and a frame log beside it. Returns an
    // empty string once it reported READY, otherwise what went wrong.
    QString start(const QString& exe, const QStringList& args);
    // The same with the kvtsim that K4_KVTSIM names; says so when it names none.
    QString start(const QStringList& args);
    QString linkPath() const { return linkPath_; }
    QString logPath() const { return logPath_; }

    // Sends one command and returns kvtsim's answer line ("OK ...", "STATS ...", "ERR ...").
    QString command(const QString& line);
    // Ends kvtsim (quit, then a kill if it lingers).
    void stop();

    std::vector<LoggedFrame> frames() const;
    // The keys sent to one address so far, in the order they went.
    QList<int> keysTo(int address) const;

private:
    QString readLine(int timeoutMs);

    QTemporaryDir dir_;
    QProcess process_;
    QString linkPath_;
    QString logPath_;
};

}  // namespace k4test
