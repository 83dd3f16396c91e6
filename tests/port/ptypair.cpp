// SPDX-License-Identifier: GPL-3.0-or-later
#include "ptypair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace k4test {

namespace {

// The kernel's termios2, which carries a speed that is not one of the Bxxx constants (28800 is
// set through it). Declared here because <asm/termbits.h> clashes with <termios.h>.
struct KernelTermios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
const unsigned long kGetTermios2 = _IOR('T', 0x2A, KernelTermios2);

void MakeRaw(int fd) {
    struct ::termios t {};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
}

}  // namespace

PtyPair::PtyPair() {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    MakeRaw(slave_);
    path_ = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair() {
    if (slave_ >= 0) {
        ::close(slave_);
    }
    if (master_ >= 0) {
        ::close(master_);
    }
}

void PtyPair::send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0) {
            return;
        }
        done += n;
    }
}

bool PtyPair::sendAndWaitTaken(const QByteArray& bytes, int timeoutMs) {
    send(bytes);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int unread = 0;
    while (::ioctl(slave_, FIONREAD, &unread) == 0 && unread > 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return unread == 0;
}

QByteArray PtyPair::receive(int expect, int timeoutMs) {
    QByteArray out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < expect) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            break;
        }
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) {
            break;
        }
        char buf[256];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        out.append(buf, n);
    }
    return out;
}

LineSettings PtyPair::settings() const {
    LineSettings s;
    KernelTermios2 t{};
    if (::ioctl(slave_, kGetTermios2, &t) != 0) {
        return s;
    }
    s.speed = t.c_ospeed;
    switch (t.c_cflag & CSIZE) {
        case CS5:
            s.dataBits = 5;
            break;
        case CS6:
            s.dataBits = 6;
            break;
        case CS7:
            s.dataBits = 7;
            break;
        default:
            s.dataBits = 8;
            break;
    }
    s.parity = (t.c_cflag & PARENB) != 0;
    s.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    s.hardwareFlow = (t.c_cflag & CRTSCTS) != 0;
    s.softwareFlow = (t.c_iflag & (IXON | IXOFF)) != 0;
    return s;
}

}  // namespace k4test
