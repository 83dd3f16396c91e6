// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <span>

namespace k4 {

// The main window's menus as data: what each item is called, its caption, shortcut and hint.
// A hint is "short|long": the status line shows the long part, a tooltip the short one; a hint
// without "|" is both.
struct MenuItemEntry {
    const char* objectName;  // nullptr for a separator
    const char* caption;     // UTF-8
    const char* shortcut;    // portable key sequence text, "" for none
    const char* hint;        // "" for none
    bool checkable;
};

struct MenuEntry {
    const char* objectName;
    const char* caption;
    const char* hint;
    std::span<const MenuItemEntry> items;
};

// The menu bar, left to right.
std::span<const MenuEntry> MainMenuEntries();

struct HintParts {
    QString shortHint;
    QString longHint;
};
HintParts SplitHint(const QString& hint);

}  // namespace k4
