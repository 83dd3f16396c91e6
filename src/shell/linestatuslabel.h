// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

namespace k4 {

struct LineState;

// The permanent part of the main window's status line: the port, its serial device and the
// line's state ("COM1 (/dev/ttyS0): lost, reopening"). The menu hints keep the rest of the line.
class LineStatusLabel final : public QLabel {
    Q_OBJECT
public:
    // Follows App().Views' line state from now on (the newest label takes over).
    explicit LineStatusLabel(QWidget* parent = nullptr);

    void showLineState(const LineState& state);
};

}  // namespace k4
