// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLatin1String>
#include <QWidget>

namespace k4 {

// Gives a control of a fixed-layout form its object name and its place. Without a size the
// control takes its natural size at that place (labels and check boxes sized to their text).
template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width = -1, int height = -1) {
    widget->setObjectName(QLatin1String(name));
    if (width < 0) {
        widget->adjustSize();
        widget->move(left, top);
    } else {
        widget->setGeometry(left, top, width, height);
    }
    return widget;
}

}  // namespace k4
