// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace k4bench {

// CPU time used so far, in seconds: by the calling thread, or by the whole process (every
// thread). The platform-specific part of the benchmarks, all in cputime.cpp.
double CurrentThreadCpuSeconds();
double ProcessCpuSeconds();
// The same for another process, and its resident memory in bytes, read from the system; 0 when
// the process is gone or the platform does not say.
double OtherProcessCpuSeconds(long long pid);
double OtherProcessResidentBytes(long long pid);

}  // namespace k4bench
