// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a terminal server (ser2net) on the loopback in front of a line, for the tests and the
// benchmark of a network line: started, stopped and started again on the same TCP port.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace k4test {

class Ser2netProcess {
public:
    Ser2netProcess();
    ~Ser2netProcess();
    Ser2netProcess(const Ser2netProcess&) = delete;
    Ser2netProcess& operator=(const Ser2netProcess&) = delete;

    // ser2net from PATH or the system folders; empty when it is not installed.
    static QString executable();

    // Offers device on 127.0.0.1 as Telnet with the COM-port option (rfc2217) or as raw TCP, on a
    // free TCP port chosen at the first start and kept for later ones; the server opens the line
    // at settings (such as "28800n81") on each call. Returns an empty string once it takes calls,
    // otherwise what went wrong.
    QString start(const QString& exe, const QString& device, bool rfc2217,
                  const QString& settings = QStringLiteral("28800n81"));
    // Ends it (SIGTERM, a kill if it lingers); its calls drop.
    void stop();
    bool running() const { return process_.state() != QProcess::NotRunning; }

    // rfc2217://127.0.0.1:<port> or tcp://127.0.0.1:<port>.
    QString address() const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    bool rfc2217_ = true;
};

}  // namespace k4test
