// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/repaintwhole.h"

#include <QWidget>

namespace k4 {

void RepaintWhole(QWidget* widget) {
    // Qt offers no call that marks a place of a window for repainting as one piece, with all it
    // holds; a widget that hides does that for the place it covered. So a bare, see-through
    // cover is laid over the widget for a moment. The mouse does not see it: the control under
    // the pointer gets no leave and enter.
    QWidget cover(widget);
    cover.setAttribute(Qt::WA_TransparentForMouseEvents);
    cover.setGeometry(widget->rect());
    cover.show();
    cover.hide();
}

}  // namespace k4
