// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "linepacer.h"

namespace kvtsim {

inline constexpr std::size_t kDisplayCells = 48;
inline constexpr std::size_t kRowCells = 24;
inline constexpr std::size_t kDisplayReplySize = 51;
inline constexpr std::uint8_t kHighlight = 0x80;
// How long the bottom row names the key that just arrived.
inline constexpr Nanos kKeyShownNs = 3'000'000'000LL;
inline constexpr int kMenuPages = 5;

enum class ReplyMode {
    Normal,  // 51-byte display replies
    Silent,  // no answer at all, as if unplugged
    Short,   // two-byte replies
    Garble,  // replies of a wrong length (30, 1, 50, 3 bytes in turn)
};

const char* ReplyModeName(ReplyMode mode);
// The 18 key codes the console sends: 1 to 16, 126 ("T") and 127 ("S").
bool IsPanelKey(std::uint8_t key);
std::vector<std::uint8_t> PanelKeys();

using Display = std::array<std::uint8_t, kDisplayCells>;

// One emulated device: its display, its small menu and how it answers.
//
// Row 0 shows "ID=<id> <name>"; row 1 shows the current menu page and its value and, on the
// right, a reply counter that moves with every display reply. For three seconds after a key the
// left of row 1 names that key instead. Keys: 1 "<<" and 2 ">>" turn the menu page, 3 "-" and
// 4 "+" change its value, 5 to 16 each toggle the highlight of one cell of row 0 (columns 1, 3,
// ..., 23), "T" toggles the highlight of the menu text, "S" clears every highlight and returns to
// the first page.
class SimDevice {
public:
    SimDevice(std::uint8_t id, std::string name);

    std::uint8_t Id() const { return id_; }
    const std::string& Name() const { return name_; }
    ReplyMode Mode() const { return mode_; }
    void SetMode(ReplyMode mode) { mode_ = mode; }
    bool Attention() const { return attention_; }
    void SetAttention(bool on) { attention_ = on; }
    // Every reply stops for `length` after its first `afterBytes` bytes (after none: it starts
    // that late). A length of 0 sends replies without a pause.
    void SetPause(std::size_t afterBytes, Nanos length) {
        pauseAfter_ = afterBytes;
        pauseLength_ = length;
    }
    std::size_t PauseAfter() const { return pauseAfter_; }
    Nanos PauseLength() const { return pauseLength_; }

    // Handles one request addressed to this device (key 0 is a poll) and returns what the device
    // sends back: empty when silent.
    std::vector<std::uint8_t> Answer(std::uint8_t key, Nanos now);

    // The display as it would be sent now, without the attention bit.
    Display CurrentDisplay(Nanos now) const;
    // A 51-byte display reply built from CurrentDisplay, with the attention bit on byte 1.
    std::vector<std::uint8_t> DisplayReply(Nanos now) const;

    int Page() const { return page_; }
    int PageValue(int page) const { return values_.at(static_cast<std::size_t>(page)); }
    bool MenuHighlighted() const { return menuHighlighted_; }
    bool CellMarked(std::size_t column) const { return marks_.at(column); }
    std::uint32_t DisplayReplies() const { return displayReplies_; }
    // Without the counter the display stands still between keys.
    void SetCounterShown(bool shown) { counterShown_ = shown; }

private:
    void ApplyKey(std::uint8_t key, Nanos now);
    std::string MenuText(Nanos now) const;

    std::uint8_t id_;
    std::string name_;
    ReplyMode mode_ = ReplyMode::Normal;
    bool attention_ = false;
    std::size_t pauseAfter_ = 0;
    Nanos pauseLength_ = 0;
    int page_ = 0;
    std::array<int, kMenuPages> values_{};
    bool menuHighlighted_ = false;
    std::array<bool, kRowCells> marks_{};
    std::uint8_t lastKey_ = 0;
    Nanos lastKeyAt_ = 0;
    std::uint32_t displayReplies_ = 0;
    std::size_t garbleTurn_ = 0;
    bool counterShown_ = true;
};

}  // namespace kvtsim
