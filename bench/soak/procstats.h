// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the soak samples of its own process (the platform-specific part, all in procstats.cpp).
#include <QString>

#include <map>

namespace k4soak {

// Resident memory of this process, in kB.
long ResidentKb();

// CPU seconds used so far by each thread of this process, keyed "name/tid".
std::map<QString, double> ThreadCpuSeconds();

}  // namespace k4soak
