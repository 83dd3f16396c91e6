#pragma once

namespace k4bench {

// CPU time the calling thread has used so far, in seconds (the platform-specific part of the
// benchmark, all in threadcpu.cpp).
double CurrentThreadCpuSeconds();

}  // namespace k4bench
