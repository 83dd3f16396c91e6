// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace k4 {

// Marks all of widget, with everything in it, for repainting as one piece of its window, before
// many controls are shown in it at once. Each control shown asks to be repainted on its own, and
// each such request is worked out against every control and window above it: for a workspace of
// cascaded panels that grows with the square of the panel count. A request whose place is
// already marked costs next to nothing. Nothing is painted here; the window paints the marked
// place with its next repaint.
void RepaintWhole(QWidget* widget);

}  // namespace k4
