// SPDX-License-Identifier: GPL-3.0-or-later
#include "simdevice.h"

#include <cstdio>
#include <utility>

namespace kvtsim {
namespace {

constexpr std::array<const char*, kMenuPages> kPageNames = {"Bitrate", "Input", "Output", "Delay",
                                                            "Volume"};
constexpr std::array<int, kMenuPages> kPageDefaults = {8, 1, 2, 40, 75};
constexpr int kMaxValue = 99;
constexpr std::array<std::size_t, 4> kGarbleSizes = {30, 1, 50, 3};
constexpr std::size_t kMenuWidth = 16;

const char* KeyCaption(std::uint8_t key) {
    switch (key) {
        case 1:
            return "<<";
        case 2:
            return ">>";
        case 3:
            return "-";
        case 4:
            return "+";
        case 126:
            return "T";
        case 127:
            return "S";
        default:
            return IsPanelKey(key) ? "" : "?";
    }
}

void PutText(Display& cells, std::size_t first, std::size_t width, const std::string& text) {
    for (std::size_t i = 0; i < width; ++i) {
        const char c = i < text.size() ? text[i] : ' ';
        cells[first + i] = static_cast<std::uint8_t>(static_cast<unsigned char>(c) & 0x7Fu);
    }
}

}  // namespace

const char* ReplyModeName(ReplyMode mode) {
    switch (mode) {
        case ReplyMode::Normal:
            return "normal";
        case ReplyMode::Silent:
            return "silent";
        case ReplyMode::Short:
            return "short";
        case ReplyMode::Garble:
            return "garble";
    }
    return "?";
}

bool IsPanelKey(std::uint8_t key) {
    return (key >= 1 && key <= 16) || key == 126 || key == 127;
}

std::vector<std::uint8_t> PanelKeys() {
    std::vector<std::uint8_t> keys;
    for (std::uint8_t key = 1; key <= 16; ++key) {
        keys.push_back(key);
    }
    keys.push_back(126);
    keys.push_back(127);
    return keys;
}

SimDevice::SimDevice(std::uint8_t id, std::string name)
    : id_(id), name_(std::move(name)), values_(kPageDefaults) {}

std::vector<std::uint8_t> SimDevice::Answer(std::uint8_t key, Nanos now) {
    if (mode_ == ReplyMode::Silent) {
        return {};
    }
    if (key != 0) {
        ApplyKey(key, now);
    }
    switch (mode_) {
        case ReplyMode::Short:
            return {0x06, id_};
        case ReplyMode::Garble: {
            std::vector<std::uint8_t> reply = DisplayReply(now);
            reply.resize(kGarbleSizes[garbleTurn_]);
            garbleTurn_ = (garbleTurn_ + 1) % kGarbleSizes.size();
            return reply;
        }
        case ReplyMode::Normal:
        case ReplyMode::Silent:
            break;
    }
    ++displayReplies_;
    return DisplayReply(now);
}

void SimDevice::ApplyKey(std::uint8_t key, Nanos now) {
    lastKey_ = key;
    lastKeyAt_ = now;
    int& value = values_[static_cast<std::size_t>(page_)];
    switch (key) {
        case 1:
            page_ = (page_ + kMenuPages - 1) % kMenuPages;
            break;
        case 2:
            page_ = (page_ + 1) % kMenuPages;
            break;
        case 3:
            value = value > 0 ? value - 1 : kMaxValue;
            break;
        case 4:
            value = value < kMaxValue ? value + 1 : 0;
            break;
        case 126:
            menuHighlighted_ = !menuHighlighted_;
            break;
        case 127:
            menuHighlighted_ = false;
            marks_.fill(false);
            page_ = 0;
            break;
        default:
            if (key >= 5 && key <= 16) {
                const std::size_t column = static_cast<std::size_t>(key - 5) * 2 + 1;
                marks_[column] = !marks_[column];
            }
            break;
    }
}

std::string SimDevice::MenuText(Nanos now) const {
    char text[40];
    if (lastKey_ != 0 && now - lastKeyAt_ < kKeyShownNs) {
        std::snprintf(text, sizeof text, "Key %u %s", static_cast<unsigned>(lastKey_),
                      KeyCaption(lastKey_));
    } else {
        std::snprintf(text, sizeof text, "%-10s%3d", kPageNames[static_cast<std::size_t>(page_)],
                      values_[static_cast<std::size_t>(page_)]);
    }
    return text;
}

Display SimDevice::CurrentDisplay(Nanos now) const {
    Display cells{};
    PutText(cells, 0, kRowCells, "ID=" + std::to_string(id_) + " " + name_);
    for (std::size_t column = 0; column < kRowCells; ++column) {
        if (marks_[column]) {
            cells[column] |= kHighlight;
        }
    }
    PutText(cells, kRowCells, kMenuWidth, MenuText(now));
    if (menuHighlighted_) {
        for (std::size_t i = 0; i < kMenuWidth; ++i) {
            cells[kRowCells + i] |= kHighlight;
        }
    }
    if (counterShown_) {
        char counter[16];
        std::snprintf(counter, sizeof counter, "#%07u", displayReplies_ % 10'000'000u);
        PutText(cells, kRowCells + kMenuWidth, kRowCells - kMenuWidth, counter);
    }
    return cells;
}

std::vector<std::uint8_t> SimDevice::DisplayReply(Nanos now) const {
    const Display cells = CurrentDisplay(now);
    std::vector<std::uint8_t> reply(kDisplayReplySize);
    // Bytes 0, 49 and 50 carry nothing the console reads; they vary so that it is seen to ignore
    // them.
    reply[0] = static_cast<std::uint8_t>(displayReplies_ & 0xFFu);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < kDisplayCells; ++i) {
        reply[i + 1] = cells[i];
        sum ^= cells[i];
    }
    if (attention_) {
        reply[1] |= kHighlight;
    }
    reply[49] = sum;
    reply[50] = 0xFD;
    return reply;
}

}  // namespace kvtsim
