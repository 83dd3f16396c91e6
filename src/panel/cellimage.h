// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>

namespace k4 {

struct CellLook;

// One display cell drawn as at 96 dots per inch: its background and its glyph, centred, in the
// display font. The display's glyphs come from a bitmap font with a single pixel size, which a
// screen of a higher pixel ratio would draw small in the corner of each enlarged cell; drawn as
// this picture and enlarged with the cell, the text keeps its size and place at every ratio, and
// crisp edges (each font pixel becomes a block of screen pixels). Pictures are kept for reuse.
// GUI thread only.
QImage DisplayCellImage(const QSize& cellSize, const CellLook& look);

}  // namespace k4
