// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace k4 {

// The longest pause a key sequence may hold, in milliseconds.
inline constexpr int kMacroMaxPauseMs = 10000;

// One step of a key sequence: a panel key (its key code), or a pause before the device's next key.
struct MacroStep {
    std::uint8_t key = 0;  // 0 for a pause
    int pauseMs = 0;

    bool isPause() const { return key == 0; }
    bool operator==(const MacroStep&) const = default;
};

struct MacroKeysParse {
    std::vector<MacroStep> steps;
    QString badToken;  // the first token refused, as typed; empty when every token was good

    bool ok() const { return badToken.isEmpty(); }
    int keyCount() const;
};

// A key sequence as the operator types it: the panel's keys by their labels, separated by blanks
// of any kind, no-break spaces included ("T", "S", "1" to "16", and "<<", ">>", "-", "+" for keys 1
// to 4), and "p" with a number of milliseconds (at most 10 000) for a pause. Case does not matter.
// Parsing stops at the first token that is none of these.
MacroKeysParse ParseMacroKeys(const QString& text);

// What the empty keys field shows, and what its tooltip says it holds.
inline constexpr const char* kMacroKeysExample = "T 3 3 + S";
QString MacroKeysHelp();

}  // namespace k4
