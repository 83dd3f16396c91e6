// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace k4 {

// Ports are numbered 1 to 255. The configured port number holds one of them, or 0 when the
// settings file names a port that cannot exist (0, a negative number, one above 255): such a
// number is shown as invalid, never written back and never opened.
inline constexpr int kHighestPort = 255;
inline constexpr std::uint8_t kNoPort = 0;

constexpr bool IsPortNumber(int number) {
    return number >= 1 && number <= kHighestPort;
}

// The configured port number for the value RS232Port holds in the settings file.
constexpr std::uint8_t ConfiguredPort(int settingValue) {
    return IsPortNumber(settingValue) ? static_cast<std::uint8_t>(settingValue) : kNoPort;
}

}  // namespace k4
