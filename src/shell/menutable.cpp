// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/menutable.h"

#include <array>

namespace k4 {

namespace {

constexpr std::array kFileItems{
    MenuItemEntry{"FileNewItem", "&New workspace", "Ctrl+N", "New|Create a new workspace", false},
    MenuItemEntry{"FileOpenItem", "&Open workspace", "Ctrl+O", "Open|Open workspace", false},
    MenuItemEntry{"FileCloseItem", "&Save", "Ctrl+S", "Close|Save current workspace", false},
    MenuItemEntry{"FileSaveItem", "Save &As", "Ctrl+A", "Save|Save current workspace as", false},
    MenuItemEntry{nullptr, "", "", "", false},
    MenuItemEntry{"FileExitItem", "E&xit", "", "Exit|Exit application", false},
};

constexpr std::array kSetupItems{
    MenuItemEntry{"CutItem", "RS232", "Ctrl+R", "Rs232|Setup RS232 interface", false},
    MenuItemEntry{"ROset", "&Read only", "", "Read only mode", true},
    MenuItemEntry{"MacroWindow", "Macro &Window", "", "", true},
    MenuItemEntry{"FollowActive", "&Follow active panel", "",
                  "Follow active panel|Refresh the active panel's display between every two polls",
                  true},
    MenuItemEntry{nullptr, "", "", "", false},
    MenuItemEntry{"LineMonitor", "Line &Monitor", "", "Monitor|Show every exchange on the line",
                  true},
    MenuItemEntry{"HistoryWindow", "&History", "",
                  "History|Show what happened on the line and what the operator did", true},
    MenuItemEntry{"ScanLine", "&Scan line\xE2\x80\xA6", "",
                  "Scan|Find the devices that answer on the line", false},
    MenuItemEntry{"ExportMetrics", "&Export to monitoring\xE2\x80\xA6", "",
                  "Monitoring|Serve the devices' state to the site's monitoring", false},
};

constexpr std::array kWindowItems{
    MenuItemEntry{"WindowCascadeItem", "&Cascade", "", "Cascade", false},
    MenuItemEntry{"WindowTileItem", "Tile &Horizontally", "", "Tile Horizontally", false},
    MenuItemEntry{"WindowTileItem2", "Tile &Vertically", "", "Tile Vertically", false},
};

constexpr std::array kHelpItems{
    MenuItemEntry{"HelpAboutItem", "&About...", "",
                  "About|Displays program information, version number, and copyright", false},
};

constexpr std::array kMenus{
    MenuEntry{"File1", "&File", "File related commands", kFileItems},
    MenuEntry{"Edit1", "&Setup", "Setup commands", kSetupItems},
    MenuEntry{"Window1", "&Window", "Window related commands", kWindowItems},
    MenuEntry{"Help1", "&Help", "Help topics", kHelpItems},
};

}  // namespace

std::span<const MenuEntry> MainMenuEntries() {
    return kMenus;
}

HintParts SplitHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        return {hint, hint};
    }
    return {hint.left(bar), hint.mid(bar + 1)};
}

}  // namespace k4
