// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The display's drawing and content rules, kept free of widgets so they can be checked alone.
#include "link/exchangeeffects.h"
#include "link/frame.h"

#include <QColor>
#include <QPoint>
#include <QRect>

#include <cstdint>

namespace k4 {

inline constexpr int kDisplayColumns = 24;
inline constexpr int kDisplayRows = 2;
inline constexpr int kCellWidth = 11;
inline constexpr int kCellHeight = 22;
inline constexpr int kGridLineWidth = 1;
inline constexpr std::uint8_t kCharacterMask = 0x7F;

// Cell index in the display buffer: row 0 is the top line.
constexpr int CellIndex(int column, int row) {
    return column + kDisplayColumns * row;
}

// Where a cell lies inside the display grid: cells are separated by 1-pixel lines, none before
// the first column or row.
QRect CellRect(int column, int row);

// Colours are stored as 0x00BBGGRR, red in the low byte.
QColor ColorFromBgr(std::uint32_t bgr);
std::uint32_t BgrFromColor(const QColor& color);

// How one cell is drawn.
struct CellLook {
    QColor background;
    QColor text;
    char16_t code = 0;        // the character, 0..127
    bool drawsGlyph = false;  // NUL is an empty cell; every other code draws the font's glyph
};
// text and background are the display's two colours as they are drawn (see DisplayColor).
CellLook LookOfCell(std::uint8_t cell, const QColor& text, const QColor& background);

// Top-left corner of a text box of the given size centred in cell; the halves truncate toward
// zero, so a glyph wider than its cell starts up to half the overflow left of it.
QPoint GlyphOrigin(const QRect& cell, int textWidth, int textHeight);

// The text shown while a device does not answer, as it is stored (61 characters); the display
// takes its first 48.
inline constexpr char kCommErrorText[] =
    "      COMMUNICATION              ERROR                       ";

// Fills buffer with the communication-error text, highlighting every cell that is not a space.
void WriteCommError(DisplayCells& buffer);
// Takes a display reply's cells, each ORed with highlightMask.
void WriteCells(DisplayCells& buffer, const DisplayCells& cells, std::uint8_t highlightMask);

}  // namespace k4
