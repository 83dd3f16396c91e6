// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/screenplace.h"

#include <algorithm>

namespace k4 {

QPoint KeepInside(const QRect& wanted, const QRect& available) {
    if (!available.isValid()) {
        return wanted.topLeft();
    }
    const int right = available.x() + available.width() - wanted.width();
    const int bottom = available.y() + available.height() - wanted.height();
    // The top left corner wins over the bottom right one when both cannot be inside.
    const int x = std::max(available.x(), std::min(wanted.x(), right));
    const int y = std::max(available.y(), std::min(wanted.y(), bottom));
    return {x, y};
}

}  // namespace k4
