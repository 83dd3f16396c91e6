// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/colorvalues.h"

#include "panel/displaycells.h"

#include <array>

namespace k4 {

namespace {

using G = QPalette::ColorGroup;
using R = QPalette::ColorRole;

// The platform's system colour indices 0..30 and the palette slots that play their part here.
// Index 25 is not defined by the platform.
constexpr std::array<std::optional<PaletteSlot>, 31> kSystemSlots{{
    PaletteSlot{G::Active, R::Midlight},           // 0 scroll bar
    PaletteSlot{G::Active, R::Dark},               // 1 desktop
    PaletteSlot{G::Active, R::Highlight},          // 2 active caption
    PaletteSlot{G::Inactive, R::Mid},              // 3 inactive caption
    PaletteSlot{G::Active, R::Window},             // 4 menu
    PaletteSlot{G::Active, R::Base},               // 5 window
    PaletteSlot{G::Active, R::Shadow},             // 6 window frame
    PaletteSlot{G::Active, R::WindowText},         // 7 menu text
    PaletteSlot{G::Active, R::Text},               // 8 window text
    PaletteSlot{G::Active, R::HighlightedText},    // 9 caption text
    PaletteSlot{G::Active, R::Button},             // 10 active border
    PaletteSlot{G::Inactive, R::Midlight},         // 11 inactive border
    PaletteSlot{G::Active, R::Dark},               // 12 application workspace
    PaletteSlot{G::Active, R::Highlight},          // 13 highlight
    PaletteSlot{G::Active, R::HighlightedText},    // 14 highlight text
    PaletteSlot{G::Active, R::Button},             // 15 button face
    PaletteSlot{G::Active, R::Dark},               // 16 button shadow
    PaletteSlot{G::Disabled, R::Text},             // 17 grey text
    PaletteSlot{G::Active, R::ButtonText},         // 18 button text
    PaletteSlot{G::Inactive, R::HighlightedText},  // 19 inactive caption text
    PaletteSlot{G::Active, R::Light},              // 20 button highlight
    PaletteSlot{G::Active, R::Shadow},             // 21 3D dark shadow
    PaletteSlot{G::Active, R::Midlight},           // 22 3D light
    PaletteSlot{G::Active, R::ToolTipText},        // 23 info text
    PaletteSlot{G::Active, R::ToolTipBase},        // 24 info background
    std::nullopt,                                  // 25
    PaletteSlot{G::Active, R::Link},               // 26 hot light
    PaletteSlot{G::Active, R::Highlight},          // 27 gradient active caption
    PaletteSlot{G::Inactive, R::Mid},              // 28 gradient inactive caption
    PaletteSlot{G::Active, R::Highlight},          // 29 menu highlight
    PaletteSlot{G::Active, R::Window},             // 30 menu bar
}};

constexpr PaletteSlot kButtonFace{G::Active, R::Button};

constexpr std::uint32_t System(std::uint32_t index) {
    return kSystemColorTag | index;
}

std::vector<NamedColor> BuildNamedColors() {
    return {
        // The 16 standard colours.
        {QStringLiteral("Black"), 0x000000},
        {QStringLiteral("Maroon"), 0x000080},
        {QStringLiteral("Green"), 0x008000},
        {QStringLiteral("Olive"), 0x008080},
        {QStringLiteral("Navy"), 0x800000},
        {QStringLiteral("Purple"), 0x800080},
        {QStringLiteral("Teal"), 0x808000},
        {QStringLiteral("Gray"), 0x808080},
        {QStringLiteral("Silver"), 0xC0C0C0},
        {QStringLiteral("Red"), 0x0000FF},
        {QStringLiteral("Lime"), 0x00FF00},
        {QStringLiteral("Yellow"), 0x00FFFF},
        {QStringLiteral("Blue"), 0xFF0000},
        {QStringLiteral("Fuchsia"), 0xFF00FF},
        {QStringLiteral("Aqua"), 0xFFFF00},
        {QStringLiteral("White"), 0xFFFFFF},
        // Extended colours that displays are commonly lit or printed in.
        {QStringLiteral("Amber"), 0x00BFFF},
        {QStringLiteral("Orange"), 0x0080FF},
        {QStringLiteral("Pale green"), 0xA0ECC0},
        {QStringLiteral("Sky blue"), 0xEBCE87},
        {QStringLiteral("Ice blue"), 0xFFE8C8},
        {QStringLiteral("Dark gray"), 0x404040},
        // The system colours.
        {QStringLiteral("Scroll bar"), System(0)},
        {QStringLiteral("Desktop"), System(1)},
        {QStringLiteral("Active caption"), System(2)},
        {QStringLiteral("Inactive caption"), System(3)},
        {QStringLiteral("Menu"), System(4)},
        {QStringLiteral("Window"), System(5)},
        {QStringLiteral("Window frame"), System(6)},
        {QStringLiteral("Menu text"), System(7)},
        {QStringLiteral("Window text"), System(8)},
        {QStringLiteral("Caption text"), System(9)},
        {QStringLiteral("Active border"), System(10)},
        {QStringLiteral("Inactive border"), System(11)},
        {QStringLiteral("Application workspace"), System(12)},
        {QStringLiteral("Highlight"), System(13)},
        {QStringLiteral("Highlight text"), System(14)},
        {QStringLiteral("Button face"), System(15)},
        {QStringLiteral("Button shadow"), System(16)},
        {QStringLiteral("Gray text"), System(17)},
        {QStringLiteral("Button text"), System(18)},
        {QStringLiteral("Inactive caption text"), System(19)},
        {QStringLiteral("Button highlight"), System(20)},
        {QStringLiteral("3D dark shadow"), System(21)},
        {QStringLiteral("3D light"), System(22)},
        {QStringLiteral("Info text"), System(23)},
        {QStringLiteral("Info background"), System(24)},
        {QStringLiteral("Hot light"), System(26)},
        {QStringLiteral("Gradient active caption"), System(27)},
        {QStringLiteral("Gradient inactive caption"), System(28)},
        {QStringLiteral("Menu highlight"), System(29)},
        {QStringLiteral("Menu bar"), System(30)},
    };
}

}  // namespace

std::optional<PaletteSlot> SystemColorSlot(std::uint32_t value) {
    if (!IsSystemColor(value)) {
        return std::nullopt;
    }
    const std::uint32_t index = value & 0xFFu;
    if (index < kSystemSlots.size() && kSystemSlots[index]) {
        return kSystemSlots[index];
    }
    return kButtonFace;
}

QColor DisplayColor(std::uint32_t value, const QPalette& palette) {
    if (const std::optional<PaletteSlot> slot = SystemColorSlot(value)) {
        return palette.color(slot->group, slot->role);
    }
    return ColorFromBgr(value & 0x00FFFFFFu);
}

const std::vector<NamedColor>& NamedColors() {
    static const std::vector<NamedColor> colors = BuildNamedColors();
    return colors;
}

int IndexOfNamedColor(std::uint32_t value) {
    const std::vector<NamedColor>& colors = NamedColors();
    for (std::size_t i = 0; i < colors.size(); ++i) {
        if (colors[i].value == value) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace k4
