#pragma once

namespace k4bench {

// CPU time the whole process (every thread) has used so far, in seconds (the platform-specific
// part, all in processcpu.cpp).
double ProcessCpuSeconds();

}  // namespace k4bench
