// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kvtsim {

struct SimOptions {
    std::string linkPath;
    std::vector<std::pair<std::uint8_t, std::string>> devices;  // in the order given
    std::vector<std::uint8_t> garbled;  // devices that start answering with bad replies
    long turnaroundUs = 1000;
    std::size_t chunkBytes = 4;
    std::string logPath;
    std::string controlPath;
    bool demo = false;
    bool still = false;      // no reply counter: a display changes only with its keys
    bool quitOnEof = false;  // EOF on stdin ends the run
    bool help = false;
};

struct ParsedOptions {
    bool ok = false;
    SimOptions options;
    std::string error;
};

ParsedOptions ParseOptions(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace kvtsim
