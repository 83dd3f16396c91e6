// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchfigures.h"

#include <algorithm>
#include <cstdio>

namespace k4bench {

Figure Summarize(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
    return {median, values.front(), values.back()};
}

std::string FigureText(const Figure& figure, const char* unit, int precision) {
    char text[96];
    std::snprintf(text, sizeof text, "%.*f (%.*f-%.*f) %s", precision, figure.median, precision,
                  figure.low, precision, figure.high, unit);
    return text;
}

}  // namespace k4bench
