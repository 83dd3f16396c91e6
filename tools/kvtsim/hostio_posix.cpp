// SPDX-License-Identifier: GPL-3.0-or-later
// The POSIX side of kvtsim: pseudo-terminal, poll, absolute-deadline sleeps and signals.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hostio.h"

#if defined(__linux__) && defined(TCGETS2)
// The kernel's own settings record, which carries any speed as a number (28800 has no B
// constant, so the C library's record cannot show it). Declared here because the kernel's header
// cannot be included beside <termios.h>.
struct termios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
#endif

namespace kvtsim {
namespace {

constexpr Nanos kMillisecond = 1'000'000;
// Within this distance of a deadline the wait switches from poll (millisecond resolution) to an
// absolute clock_nanosleep, so pacing keeps to microseconds.
constexpr Nanos kFineSleepWindow = 2'500'000;
constexpr Nanos kPollMargin = 2'000'000;
constexpr std::size_t kMaxCommandLine = 4096;

int g_signalPipeWrite = -1;

void OnStopSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_signalPipeWrite, &byte, 1);
    errno = savedErrno;
}

void SetCloseOnExec(int fd) {
    fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
}
void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

void SleepUntil(Nanos deadline) {
    timespec when{};
    when.tv_sec = static_cast<time_t>(deadline / 1'000'000'000LL);
    when.tv_nsec = static_cast<long>(deadline % 1'000'000'000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) == EINTR) {
    }
}

void MakeRaw(termios& settings) {
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                               ICRNL | IXON | IXOFF);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
}

// Cuts complete lines off a stream buffer.
void TakeLines(std::string& buffer, std::vector<std::string>& lines) {
    std::size_t newline;
    while ((newline = buffer.find('\n')) != std::string::npos) {
        lines.push_back(buffer.substr(0, newline));
        buffer.erase(0, newline + 1);
    }
    if (buffer.size() > kMaxCommandLine) {
        lines.push_back(buffer);
        buffer.clear();
    }
}

}  // namespace

Nanos MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<Nanos>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

struct HostIo::Impl {
    int master = -1;
    int slave = -1;  // held open so the line never hangs up while the console is away
    std::string slaveName;
    std::string linkPath;
    bool stdinOpen = true;
    std::string stdinBuffer;
    int control = -1;
    std::string controlPath;
    bool controlMade = false;
    std::string controlBuffer;
    int signalRead = -1;
    int signalWrite = -1;

    bool OpenControlFd() {
        control = open(controlPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        return control >= 0;
    }

    // One read per ready descriptor: stdin stays blocking, since its file description may be
    // shared with the caller's terminal.
    void ReadCommands(int fd, std::string& buffer, HostInput& input, bool& atEof) {
        char chunk[1024];
        const ssize_t count = read(fd, chunk, sizeof chunk);
        if (count > 0) {
            buffer.append(chunk, static_cast<std::size_t>(count));
            TakeLines(buffer, input.commands);
        } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
            atEof = true;
        }
    }

    void ReadLine(HostInput& input) {
        std::uint8_t chunk[4096];
        for (;;) {
            const ssize_t count = read(master, chunk, sizeof chunk);
            if (count <= 0) {
                break;
            }
            input.lineBytes.insert(input.lineBytes.end(), chunk, chunk + count);
        }
    }

    void Collect(const pollfd* fds, std::size_t count, HostInput& input) {
        for (std::size_t i = 0; i < count; ++i) {
            if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) == 0) {
                continue;
            }
            if (fds[i].fd == master) {
                ReadLine(input);
            } else if (fds[i].fd == signalRead) {
                char drain[16];
                while (read(signalRead, drain, sizeof drain) > 0) {
                }
                input.stopRequested = true;
            } else if (fds[i].fd == STDIN_FILENO) {
                bool eof = false;
                ReadCommands(STDIN_FILENO, stdinBuffer, input, eof);
                // EOF on stdin is a stop only when asked for: kvtsim runs in the background
                // from scripts, with nothing on its stdin.
                stdinOpen = !eof;
                input.stdinClosed = eof;
            } else if (fds[i].fd == control) {
                bool eof = false;
                ReadCommands(control, controlBuffer, input, eof);
                if (eof) {
                    // The writer went away: open again to wait for the next one.
                    close(control);
                    OpenControlFd();
                }
            }
        }
    }
};

HostIo::HostIo() : impl_(std::make_unique<Impl>()) {}

HostIo::~HostIo() {
    CloseLine();
    Impl& io = *impl_;
    for (const int fd : {io.control, io.signalRead, io.signalWrite}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    if (io.controlMade) {
        unlink(io.controlPath.c_str());
    }
    if (g_signalPipeWrite == io.signalWrite) {
        g_signalPipeWrite = -1;
    }
}

void HostIo::CloseLine() {
    Impl& io = *impl_;
    if (!io.linkPath.empty()) {
        // Only our own link: another run may have taken the path over meanwhile.
        char target[4096];
        const ssize_t size = readlink(io.linkPath.c_str(), target, sizeof target - 1);
        if (size > 0 && std::string(target, static_cast<std::size_t>(size)) == io.slaveName) {
            unlink(io.linkPath.c_str());
        }
    }
    for (int* fd : {&io.master, &io.slave}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
    io.slaveName.clear();
}

bool HostIo::OpenLine(const std::string& linkPath, std::string& error) {
    Impl& io = *impl_;
    io.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (io.master < 0 || grantpt(io.master) != 0 || unlockpt(io.master) != 0) {
        error = ErrnoText("cannot open a pseudo-terminal");
        return false;
    }
    SetCloseOnExec(io.master);
    SetNonBlocking(io.master);
    const char* name = ptsname(io.master);
    if (name == nullptr) {
        error = ErrnoText("ptsname");
        return false;
    }
    io.slaveName = name;
    io.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (io.slave < 0) {
        error = ErrnoText("cannot open " + io.slaveName);
        return false;
    }
    termios settings{};
    if (tcgetattr(io.slave, &settings) != 0) {
        error = ErrnoText("tcgetattr");
        return false;
    }
    MakeRaw(settings);
    if (tcsetattr(io.slave, TCSANOW, &settings) != 0) {
        error = ErrnoText("tcsetattr");
        return false;
    }

    struct stat existing {};
    if (lstat(linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        error = linkPath + " exists and is not a symlink";
        return false;
    }
    // Made under a private name and renamed over the path, so a stale link is replaced in one
    // step and nobody ever finds the path missing or half made.
    const std::string temporary = linkPath + ".kvtsim-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(io.slaveName.c_str(), temporary.c_str()) != 0) {
        error = ErrnoText("cannot create symlink " + temporary);
        return false;
    }
    if (rename(temporary.c_str(), linkPath.c_str()) != 0) {
        error = ErrnoText("cannot create symlink " + linkPath);
        unlink(temporary.c_str());
        return false;
    }
    io.linkPath = linkPath;
    return true;
}

std::string HostIo::LineSettings() const {
    const Impl& io = *impl_;
    if (io.slave < 0) {
        return "unplugged";
    }
    termios settings{};
    if (tcgetattr(io.slave, &settings) != 0) {
        return ErrnoText("tcgetattr");
    }
    unsigned long speed = 0;
#if defined(__linux__) && defined(TCGETS2)
    termios2 exact{};
    if (ioctl(io.slave, TCGETS2, &exact) == 0) {
        speed = exact.c_ospeed;
    }
#else
    speed = static_cast<unsigned long>(cfgetospeed(&settings));
#endif
    int dataBits = 8;
    switch (settings.c_cflag & CSIZE) {
        case CS5:
            dataBits = 5;
            break;
        case CS6:
            dataBits = 6;
            break;
        case CS7:
            dataBits = 7;
            break;
        default:
            break;
    }
    const char parity =
        (settings.c_cflag & PARENB) == 0 ? 'N' : ((settings.c_cflag & PARODD) != 0 ? 'O' : 'E');
    const int stopBits = (settings.c_cflag & CSTOPB) != 0 ? 2 : 1;
    return std::to_string(speed) + " " + std::to_string(dataBits) + parity +
           std::to_string(stopBits);
}

bool HostIo::OpenControl(const std::string& path, std::string& error) {
    Impl& io = *impl_;
    io.controlPath = path;
    struct stat existing {};
    if (stat(path.c_str(), &existing) != 0) {
        if (errno != ENOENT || mkfifo(path.c_str(), 0600) != 0) {
            error = ErrnoText("cannot make FIFO " + path);
            return false;
        }
        io.controlMade = true;
    } else if (!S_ISFIFO(existing.st_mode)) {
        error = path + " is not a FIFO";
        return false;
    }
    if (!io.OpenControlFd()) {
        error = ErrnoText("cannot open " + path);
        return false;
    }
    return true;
}

bool HostIo::WatchStopSignals(std::string& error) {
    Impl& io = *impl_;
    int fds[2];
    if (pipe(fds) != 0) {
        error = ErrnoText("pipe");
        return false;
    }
    io.signalRead = fds[0];
    io.signalWrite = fds[1];
    for (const int fd : fds) {
        SetCloseOnExec(fd);
        SetNonBlocking(fd);
    }
    g_signalPipeWrite = io.signalWrite;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
    return true;
}

HostInput HostIo::Wait(bool hasDeadline, Nanos deadline) {
    Impl& io = *impl_;
    HostInput input;
    for (;;) {
        pollfd fds[4];
        std::size_t count = 0;
        for (const int fd :
             {io.master, io.signalRead, io.stdinOpen ? STDIN_FILENO : -1, io.control}) {
            if (fd >= 0) {
                fds[count++] = pollfd{fd, POLLIN, 0};
            }
        }
        int timeoutMs = -1;
        const Nanos left = hasDeadline ? deadline - MonotonicNow() : 0;
        if (hasDeadline && left <= kFineSleepWindow) {
            if (left > 0) {
                SleepUntil(deadline);
            }
            timeoutMs = 0;
        } else if (hasDeadline) {
            timeoutMs = static_cast<int>(std::max<Nanos>(1, (left - kPollMargin) / kMillisecond));
        }
        const int ready = poll(fds, static_cast<nfds_t>(count), timeoutMs);
        if (ready > 0) {
            io.Collect(fds, count, input);
        }
        const bool gotSomething = !input.lineBytes.empty() || !input.commands.empty() ||
                                  input.stopRequested || input.stdinClosed;
        if (gotSomething || timeoutMs == 0) {
            return input;
        }
    }
}

void HostIo::WriteLine(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = write(impl_->master, bytes.data() + done, bytes.size() - done);
        if (count > 0) {
            done += static_cast<std::size_t>(count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
}

}  // namespace kvtsim
