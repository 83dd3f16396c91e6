// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

#include <vector>

namespace k4 {

// How Tile arranges the child windows: Vertical puts them side by side in columns, Horizontal
// stacks them in rows.
enum class TileMode { Horizontal, Vertical };

// The places of count windows tiled over area, in the order the windows are taken. The windows
// form a grid of about sqrt(count) rows and columns; the last column (Vertical) or row
// (Horizontal) takes the windows left over.
std::vector<QRect> TileRects(int count, const QRect& area, TileMode mode);

}  // namespace k4
