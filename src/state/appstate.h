// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/macrocontent.h"
#include "link/linecapture.h"
#include "link/linescan.h"
#include "link/linkcontroller.h"
#include "link/linkupdatequeue.h"
#include "state/viewregistry.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>

class QTreeWidgetItem;

namespace k4 {

class DeviceTable;
class HistoryKeeper;
class MainFrame;
class TMDIKVTMAN;

inline constexpr int kMacroCount = 12;

// The values that exist once for the whole run and that several windows share. All of it is
// used on the GUI thread only; the link thread reaches the device table through the table pointer
// StartLink was given, never through this object.
struct AppState {
    QString AppDir;  // the executable's folder, ending in the path separator
    QString SettingsPath;
    QString WorkspacePath;
    QString LastWorkspacePath;
    bool WorkspaceModified = false;
    bool StartupDone = false;
    std::uint8_t RS232Port = 1;  // the configured port number: 1 to 255, 0 when invalid
    bool ReadOnly = false;       // the Read only mark (the check of the main window's ROset)
    QStringList MacroNames = QStringList(kMacroCount, QStringLiteral("Undefined"));
    // Keys and devices of each macro, kept and replaced together with the names.
    std::array<MacroContent, kMacroCount> Macros;

    TMDIKVTMAN* Manager = nullptr;        // the open workspace's manager window; null when none
    DeviceTable* Devices = nullptr;       // that window's device table, for the floors below it
    QTreeWidgetItem* RootNode = nullptr;  // the workspace node of the manager tree
    MainFrame* Frame = nullptr;           // the main window (or a stand-in)
    QPointer<QWidget> WMacro;             // the macro window while one exists
    // The history of this run while one is kept (null in tests that keep none), and its file.
    HistoryKeeper* History = nullptr;
    QString HistoryPath;

    // The road the link's effects take to the windows, and the link itself (declared last so it
    // is stopped before the queue it delivers into goes).
    ViewRegistry Views;
    LinkUpdateQueue Updates;
    // The line monitor's record of the line and the line scan; the link thread uses both.
    LineCapture Capture;
    LineScan Scan;
    LinkController Link;

    bool workspaceOpen() const { return Manager != nullptr; }
    // The skins folder found at start-up (the installed one when there is none beside the
    // executable); empty until then.
    QString SkinsDir;
    // The skins folder: beside the executable unless start-up found another.
    QString skinsDir() const {
        return SkinsDir.isEmpty() ? AppDir + QStringLiteral("SKINS/") : SkinsDir;
    }
    // The link-running flag.
    bool linkRunning() const { return Link.isRunning(); }
};

// The single instance.
AppState& App();

}  // namespace k4
