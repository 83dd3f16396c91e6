// SPDX-License-Identifier: GPL-3.0-or-later
#include "cputime.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#endif

namespace k4bench {

namespace {

#ifdef _WIN32
double Seconds(const FILETIME& t) {
    const unsigned long long ticks =
        (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return static_cast<double>(ticks) * 1e-7;
}
#else
double ClockSeconds(clockid_t clock) {
    timespec t{};
    if (clock_gettime(clock, &t) != 0) {
        return 0.0;
    }
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
#endif

}  // namespace

double CurrentThreadCpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) {
        return 0.0;
    }
    return Seconds(kernel) + Seconds(user);
#else
    return ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
#endif
}

double ProcessCpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0.0;
    }
    return Seconds(kernel) + Seconds(user);
#else
    return ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
#endif
}

#ifdef _WIN32
double OtherProcessCpuSeconds(long long) {
    return 0.0;
}
double OtherProcessResidentBytes(long long) {
    return 0.0;
}
#else
double OtherProcessCpuSeconds(long long pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    // The command name in parentheses may hold blanks: the fields are counted after it.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) {
        return 0.0;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0.0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n >= 14) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double OtherProcessResidentBytes(long long pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) * 1024.0;  // kB
        }
    }
    return 0.0;
}
#endif

}  // namespace k4bench
