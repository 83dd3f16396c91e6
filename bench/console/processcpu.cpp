#include "processcpu.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace k4bench {

double ProcessCpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0.0;
    }
    auto seconds = [](const FILETIME& t) {
        const unsigned long long ticks =
            (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        return static_cast<double>(ticks) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
#else
    timespec t{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) != 0) {
        return 0.0;
    }
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
#endif
}

}  // namespace k4bench
