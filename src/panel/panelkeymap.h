// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The PC keyboard on a panel window: which key press sends which panel key. Widget-free.
#include <QString>
#include <Qt>

#include <cstdint>
#include <span>

namespace k4 {

// One key of the PC keyboard and the panel key code it sends.
struct KeyBinding {
    int qtKey;          // Qt::Key
    std::uint8_t code;  // the panel key's code: 1..16, 126 (T) or 127 (S)
    const char* name;   // as the operator reads it on the keyboard
};

// Every binding, in the order of the panel's buttons (1 to 16, T, S).
std::span<const KeyBinding> PanelKeyBindings();

enum class KeyVerdict {
    NotOurs,  // leave the press to whoever else wants it (a Ctrl+ or Alt+ shortcut, say)
    Swallow,  // a panel key held down: its repeats send nothing
    Send,     // send code
};

struct KeyDecision {
    KeyVerdict verdict = KeyVerdict::NotOurs;
    std::uint8_t code = 0;
};

// What a key press on the active panel does. Shift and the keypad are allowed (plus is shifted on
// many keyboards); with Ctrl, Alt or Meta the press belongs to the main window.
KeyDecision DecideKeyPress(int qtKey, Qt::KeyboardModifiers modifiers, bool autoRepeat);

// The button of a panel key code: 0..15 for keys 1..16, 16 for T, 17 for S; -1 for any other.
int PanelButtonIndex(std::uint8_t code);
// The other way round: the code of button 0..17.
std::uint8_t PanelButtonCode(int button);

// "Key 3", "Key T": the key as the operator knows it, for the history.
QString PanelKeyLabel(std::uint8_t code);
// "Keyboard: 3, - or Down arrow": the keys that send code, for the button's tooltip.
QString KeyboardHint(std::uint8_t code);

}  // namespace k4
