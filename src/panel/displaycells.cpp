// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/displaycells.h"

namespace k4 {

static_assert(sizeof(kCommErrorText) - 1 == 61, "the stored error text has 61 characters");

QRect CellRect(int column, int row) {
    return QRect(column * (kCellWidth + kGridLineWidth), row * (kCellHeight + kGridLineWidth),
                 kCellWidth, kCellHeight);
}

QColor ColorFromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t BgrFromColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | (static_cast<std::uint32_t>(rgb.green()) << 8) |
           (static_cast<std::uint32_t>(rgb.blue()) << 16);
}

CellLook LookOfCell(std::uint8_t cell, const QColor& text, const QColor& background) {
    CellLook look;
    look.background = (cell & kHighlightBit) ? QColor(255, 0, 0) : background;
    look.text = text;
    look.code = static_cast<char16_t>(cell & kCharacterMask);
    // A fresh panel holds 48 NULs and must look blank; the fonts we can use draw a "missing
    // glyph" box for NUL where the device font has nothing.
    look.drawsGlyph = look.code != 0;
    return look;
}

QPoint GlyphOrigin(const QRect& cell, int textWidth, int textHeight) {
    // C++ integer division truncates toward zero, which is the rounding wanted here.
    return QPoint(cell.left() + (cell.width() - textWidth) / 2,
                  cell.top() + (cell.height() - textHeight) / 2);
}

void WriteCommError(DisplayCells& buffer) {
    for (int i = 0; i < kDisplayCells; ++i) {
        const auto ch = static_cast<std::uint8_t>(kCommErrorText[i]);
        buffer[i] = ch == ' ' ? ch : static_cast<std::uint8_t>(ch | kHighlightBit);
    }
}

void WriteCells(DisplayCells& buffer, const DisplayCells& cells, std::uint8_t highlightMask) {
    for (int i = 0; i < kDisplayCells; ++i) {
        buffer[i] = static_cast<std::uint8_t>(cells[i] | highlightMask);
    }
}

}  // namespace k4
