#include "cputime.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
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

}  // namespace k4bench
