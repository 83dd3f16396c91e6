// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>

namespace k4 {

// Where a window of wanted's size goes so that it lies wholly inside available (a screen's free
// area): wanted's place when it fits, else moved in just far enough; a window larger than the
// area keeps its top left corner on the area.
QPoint KeepInside(const QRect& wanted, const QRect& available);

}  // namespace k4
