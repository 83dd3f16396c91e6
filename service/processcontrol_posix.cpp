// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/processcontrol.h"

#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

namespace k4 {

namespace {

// Written by the signal handler, read by the notifier; -1 while no pipe is installed.
volatile std::sig_atomic_t gWriteEnd = -1;
int gReadEnd = -1;

constexpr int kHandled[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnSignal(int signalNumber) {
    const int saved = errno;
    const int fd = gWriteEnd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe drops the byte: the signals already waiting there will be handled.
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

SignalPipe::SignalPipe(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    int fds[2];
    if (gReadEnd >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    gReadEnd = fds[0];
    gWriteEnd = fds[1];
    for (const int s : kHandled) {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(s, &action, nullptr);
    }
    notifier_ = new QSocketNotifier(gReadEnd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalPipe::drain);
}

SignalPipe::~SignalPipe() {
    if (notifier_ == nullptr) {
        return;
    }
    for (const int s : kHandled) {
        ::signal(s, SIG_DFL);
    }
    const int writeEnd = gWriteEnd;
    gWriteEnd = -1;
    ::close(writeEnd);
    ::close(gReadEnd);
    gReadEnd = -1;
}

int SignalPipe::terminateSignal() {
    return SIGTERM;
}
int SignalPipe::interruptSignal() {
    return SIGINT;
}
int SignalPipe::hangUpSignal() {
    return SIGHUP;
}

void SignalPipe::drain() {
    unsigned char bytes[64];
    for (;;) {
        const ssize_t n = ::read(gReadEnd, bytes, sizeof bytes);
        if (n <= 0) {
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (handler_) {
                handler_(bytes[i]);
            }
        }
    }
}

QString OwnExecutablePath() {
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

QString ExecProgram(const QString& program, const QStringList& args) {
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> held;
    held.reserve(static_cast<std::size_t>(args.size()));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.constData()));
    for (const QString& a : args) {
        held.push_back(a.toLocal8Bit());
        argv.push_back(held.back().data());
    }
    argv.push_back(nullptr);
    ::execv(path.constData(), argv.data());
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace k4
