// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The text a 2 x 24 cell display shows, for tests that read a panel's or a reply's cells: each
// cell's top bit (the highlight) is dropped.
#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace k4test {

inline constexpr int kDisplayColumns = 24;

// Row 0 or 1 of cells (a container of 48 bytes: a panel's display buffer, display cells).
template <typename Cells>
QByteArray DisplayRowText(const Cells& cells, int row) {
    QByteArray text;
    for (int c = 0; c < kDisplayColumns; ++c) {
        text += char(std::uint8_t(cells[std::size_t(row * kDisplayColumns + c)]) & 0x7F);
    }
    return text;
}

// Both rows, one after the other.
template <typename Cells>
QByteArray DisplayText(const Cells& cells) {
    return DisplayRowText(cells, 0) + DisplayRowText(cells, 1);
}

}  // namespace k4test
