// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Display colour values and the named colours the colour boxes offer, free of widgets.
//
// A colour value is 32 bits, 0x00BBGGRR (red in the low byte). Files written by the console on
// its home platform may also hold that platform's system colours: the top bit set (the top byte
// is 0xFF in the console's own files, other forms such as 0x8000000F come from files made
// elsewhere) and the index of a system colour (button face, window, highlight, ...) in the low
// byte; stored as signed numbers they read as large negative values. Such a value is drawn as the
// palette's matching colour and is always kept as it is.
#include <QPalette>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace k4 {

inline constexpr std::uint32_t kSystemColorTag = 0xFF000000u;

// Where a system colour is found in a palette.
struct PaletteSlot {
    QPalette::ColorGroup group = QPalette::Active;
    QPalette::ColorRole role = QPalette::Button;
    bool operator==(const PaletteSlot&) const = default;
};

// True for a value whose top bit marks a system colour.
constexpr bool IsSystemColor(std::uint32_t value) {
    return (value & 0x80000000u) != 0;
}

// The palette slot of a system colour; an index the platform does not define reads as the button
// face. Empty for a plain colour value.
std::optional<PaletteSlot> SystemColorSlot(std::uint32_t value);

// The colour a value draws as: a system colour from palette, any other value from its low three
// bytes (a top byte below 0x80 is ignored).
QColor DisplayColor(std::uint32_t value, const QPalette& palette);

// One entry of a colour box.
struct NamedColor {
    QString name;
    std::uint32_t value;
};

// The entries of a colour box, in order: the 16 standard colours, a few extended ones suited to a
// display, and the system colours. Black, lime and red are among them; no value appears twice.
const std::vector<NamedColor>& NamedColors();

// The index in NamedColors() of value; -1 when no named colour has exactly that value.
int IndexOfNamedColor(std::uint32_t value);

// The caption of the entry a colour box adds for a value that has no name.
inline constexpr char kCustomColorName[] = "Custom";

}  // namespace k4
