// SPDX-License-Identifier: GPL-3.0-or-later
#include "ser2netprocess.h"

#include "childprocess.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace k4test {

namespace {
// Only so that nothing waits for ever; no result depends on it.
constexpr int kPatienceMs = 10000;

quint16 FreeLoopbackPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// Whether something listens on the port now; the probe's call is hung up at once.
bool Listening(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    const bool connected = socket.waitForConnected(1000);
    socket.abort();
    return connected;
}
}  // namespace

Ser2netProcess::Ser2netProcess() = default;

Ser2netProcess::~Ser2netProcess() {
    stop();
}

QString Ser2netProcess::executable() {
    QString exe = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    if (exe.isEmpty()) {
        exe = QStandardPaths::findExecutable(
            QStringLiteral("ser2net"),
            {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"),
             QStringLiteral("/sbin")});
    }
    return exe;
}

QString Ser2netProcess::start(const QString& exe, const QString& device, bool rfc2217,
                              const QString& settings) {
    if (!dir_.isValid()) {
        return QStringLiteral("no temporary folder");
    }
    if (port_ == 0) {
        port_ = FreeLoopbackPort();
        rfc2217_ = rfc2217;
    }
    if (port_ == 0) {
        return QStringLiteral("no free TCP port on the loopback");
    }
    // nodelay: a reply the server reads in two pieces must not wait for our acknowledgement.
    const QString accepter = (rfc2217_ ? QStringLiteral("telnet(rfc2217),tcp(nodelay),127.0.0.1,")
                                       : QStringLiteral("tcp(nodelay),127.0.0.1,")) +
                             QString::number(port_);
    const QStringList config{
        QStringLiteral("connection: &k4line"),
        QStringLiteral("  accepter: ") + accepter,
        QStringLiteral("  connector: serialdev,") + device + QLatin1Char(',') + settings +
            QStringLiteral(",local"),
        QStringLiteral("  options:"),
        QStringLiteral("    kickolduser: true"),
        // Otherwise it holds what it read from the line for up to 20 character times in the hope
        // of more: about 7 ms on every reply at 28800 baud.
        QStringLiteral("    chardelay: false"),
    };
    QStringList args{QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-P"),
                     dir_.filePath(QStringLiteral("ser2net.pid"))};
    for (const QString& line : config) {
        args << QStringLiteral("-Y") << line;
    }
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    if (!StartChildProcess(process_, exe, args, kPatienceMs)) {
        return QStringLiteral("ser2net did not start: ") + process_.errorString();
    }
    QElapsedTimer timer;
    timer.start();
    while (!Listening(port_)) {
        if (process_.state() == QProcess::NotRunning) {
            return QStringLiteral("ser2net ended at once (exit code %1)").arg(process_.exitCode());
        }
        if (timer.elapsed() > kPatienceMs) {
            return QStringLiteral("ser2net does not take calls on port %1").arg(port_);
        }
        QThread::msleep(20);
    }
    return {};
}

void Ser2netProcess::stop() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    process_.terminate();
    if (!process_.waitForFinished(kPatienceMs)) {
        process_.kill();
        process_.waitForFinished(kPatienceMs);
    }
}

QString Ser2netProcess::address() const {
    return (rfc2217_ ? QStringLiteral("rfc2217://127.0.0.1:")
                     : QStringLiteral("tcp://127.0.0.1:")) +
           QString::number(port_);
}

}  // namespace k4test
