// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/windowtiling.h"

#include <cmath>

namespace k4 {

std::vector<QRect> TileRects(int count, const QRect& area, TileMode mode) {
    std::vector<QRect> rects;
    if (count <= 0 || area.isEmpty()) {
        return rects;
    }
    rects.reserve(static_cast<std::size_t>(count));
    // Lay out for Vertical (columns of windows); Horizontal is the same grid turned over.
    const int lines = static_cast<int>(std::sqrt(static_cast<double>(count)));
    const int groups = count / lines;
    const bool vertical = mode == TileMode::Vertical;
    const int across = vertical ? area.width() : area.height();
    const int along = vertical ? area.height() : area.width();

    int placed = 0;
    for (int g = 0; g < groups; ++g) {
        const int inGroup = g == groups - 1 ? count - placed : lines;
        const int groupStart = across * g / groups;
        const int groupEnd = across * (g + 1) / groups;
        for (int k = 0; k < inGroup; ++k) {
            const int start = along * k / inGroup;
            const int end = along * (k + 1) / inGroup;
            if (vertical) {
                rects.emplace_back(area.left() + groupStart, area.top() + start,
                                   groupEnd - groupStart, end - start);
            } else {
                rects.emplace_back(area.left() + start, area.top() + groupStart, end - start,
                                   groupEnd - groupStart);
            }
            ++placed;
        }
    }
    return rects;
}

}  // namespace k4
