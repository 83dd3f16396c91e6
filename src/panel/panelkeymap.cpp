// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/panelkeymap.h"

#include <QStringList>

#include <array>

namespace k4 {

namespace {

constexpr std::uint8_t kCodeT = 126;
constexpr std::uint8_t kCodeS = 127;

// The digits for keys 1 to 10 (0 is 10), A to F for 11 to 16, and the four keys labelled "<<",
// ">>", "-" and "+" (keys 1 to 4) also on the arrows and on minus and plus.
constexpr std::array kBindings = {
    KeyBinding{Qt::Key_1, 1, "1"},
    KeyBinding{Qt::Key_Left, 1, "Left arrow"},
    KeyBinding{Qt::Key_2, 2, "2"},
    KeyBinding{Qt::Key_Right, 2, "Right arrow"},
    KeyBinding{Qt::Key_3, 3, "3"},
    KeyBinding{Qt::Key_Minus, 3, "-"},
    KeyBinding{Qt::Key_Down, 3, "Down arrow"},
    KeyBinding{Qt::Key_4, 4, "4"},
    KeyBinding{Qt::Key_Plus, 4, "+"},
    KeyBinding{Qt::Key_Up, 4, "Up arrow"},
    KeyBinding{Qt::Key_5, 5, "5"},
    KeyBinding{Qt::Key_6, 6, "6"},
    KeyBinding{Qt::Key_7, 7, "7"},
    KeyBinding{Qt::Key_8, 8, "8"},
    KeyBinding{Qt::Key_9, 9, "9"},
    KeyBinding{Qt::Key_0, 10, "0"},
    KeyBinding{Qt::Key_A, 11, "A"},
    KeyBinding{Qt::Key_B, 12, "B"},
    KeyBinding{Qt::Key_C, 13, "C"},
    KeyBinding{Qt::Key_D, 14, "D"},
    KeyBinding{Qt::Key_E, 15, "E"},
    KeyBinding{Qt::Key_F, 16, "F"},
    KeyBinding{Qt::Key_T, kCodeT, "T"},
    KeyBinding{Qt::Key_S, kCodeS, "S"},
};

constexpr Qt::KeyboardModifiers kForeignModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

}  // namespace

std::span<const KeyBinding> PanelKeyBindings() {
    return kBindings;
}

KeyDecision DecideKeyPress(int qtKey, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    if ((modifiers & kForeignModifiers) != 0) {
        return {};
    }
    for (const KeyBinding& binding : kBindings) {
        if (binding.qtKey == qtKey) {
            return {autoRepeat ? KeyVerdict::Swallow : KeyVerdict::Send, binding.code};
        }
    }
    return {};
}

int PanelButtonIndex(std::uint8_t code) {
    if (code >= 1 && code <= 16) {
        return code - 1;
    }
    if (code == kCodeT) {
        return 16;
    }
    if (code == kCodeS) {
        return 17;
    }
    return -1;
}

std::uint8_t PanelButtonCode(int button) {
    if (button == 16) {
        return kCodeT;
    }
    if (button == 17) {
        return kCodeS;
    }
    return static_cast<std::uint8_t>(button + 1);
}

QString PanelKeyLabel(std::uint8_t code) {
    const int button = PanelButtonIndex(code);
    if (button < 0) {
        return QStringLiteral("Key code %1").arg(code);
    }
    return button < 16 ? QStringLiteral("Key %1").arg(button + 1)
                       : QStringLiteral("Key ") + QLatin1Char(button == 16 ? 'T' : 'S');
}

QString KeyboardHint(std::uint8_t code) {
    QStringList names;
    for (const KeyBinding& binding : kBindings) {
        if (binding.code == code) {
            names << QString::fromLatin1(binding.name);
        }
    }
    if (names.isEmpty()) {
        return {};
    }
    QString keys = names.takeLast();
    if (!names.isEmpty()) {
        keys = names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + keys;
    }
    return QStringLiteral("Keyboard: ") + keys;
}

}  // namespace k4
