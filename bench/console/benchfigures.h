// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace k4bench {

// One figure over several runs: its median and the lowest and highest run.
struct Figure {
    double median = 0.0;
    double low = 0.0;
    double high = 0.0;
};
Figure Summarize(std::vector<double> values);

// "41.2 (38.0-47.9) ms"; precision digits after the point.
std::string FigureText(const Figure& figure, const char* unit, int precision = 1);

}  // namespace k4bench
