#pragma once

namespace k4bench {

// CPU time used so far, in seconds: by the calling thread, or by the whole process (every
// thread). The platform-specific part of the benchmarks, all in cputime.cpp.
double CurrentThreadCpuSeconds();
double ProcessCpuSeconds();

}  // namespace k4bench
