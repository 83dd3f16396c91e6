// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvtsim {

enum class CommandKind {
    Silent,
    Normal,
    Short,
    Garble,
    Attention,
    Pause,
    Add,
    Remove,
    Stats,
    Pacing,
    Line,
    Unplug,
    Replug,
    Quit
};

struct SimCommand {
    CommandKind kind = CommandKind::Stats;
    std::uint8_t id = 0;
    bool on = false;          // attention
    std::string name;         // add; empty for the default name
    unsigned pauseAfter = 0;  // pause: bytes before it
    unsigned pauseMs = 0;     // pause: its length; 0 ends pausing
};

inline constexpr unsigned kMaxPauseAfter = 50;
inline constexpr unsigned kMaxPauseMs = 10000;

struct ParsedCommand {
    bool ok = false;
    SimCommand command;
    std::string text;   // the command as given, blanks at both ends removed
    std::string error;  // when !ok
};

// One control line: "silent ID", "normal ID", "short ID", "garble ID", "attention ID on|off",
// "pause ID AFTER MS", "add ID [NAME]", "remove ID", "stats", "pacing", "line", "unplug",
// "replug", "quit". IDs are decimal, 0 to 127.
ParsedCommand ParseCommand(std::string_view line);

// True when the line holds nothing but blanks.
bool IsBlankLine(std::string_view line);

}  // namespace kvtsim
