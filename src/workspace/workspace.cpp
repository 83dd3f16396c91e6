// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/workspace.h"

#include "core/profilefile.h"
#include "core/workspacefile.h"
#include "macro/macrowindow.h"
#include "manager/kvtmanager.h"
#include "panel/mdichild.h"
#include "panel/panelskin.h"
#include "state/appstate.h"
#include "state/dialogs.h"
#include "state/mainframe.h"
#include "state/recordoperator.h"

#include <QDir>
#include <QTreeWidgetItem>

#include <algorithm>

namespace k4 {

namespace {

// What the open workspace looks like in its file: name, ID, flags and skin from the device
// records, place and colours from the panels, the manager's geometry, the main window's state.
WorkspaceFileData CollectWorkspace(TMDIKVTMAN& manager) {
    AppState& app = App();
    WorkspaceFileData data;
    const QRect place = manager.managerGeometry();
    data.ManTop = place.top();
    data.ManLeft = place.left();
    data.ManWidth = place.width();
    data.ManHeight = place.height();
    data.WindowState = app.Frame ? app.Frame->windowStateCode() : 0;
    data.ReadOnly = app.ReadOnly;
    const DeviceTable& table = manager.table();
    for (int i = 0; i <= table.lastIndex(); ++i) {
        const DeviceRecord& r = table[i];
        WorkspaceDevice device;
        device.DeviceName = r.DeviceName;
        device.flags = r.flags.load(std::memory_order_relaxed);
        device.DevID = r.DevID.load(std::memory_order_relaxed);
        device.Skin = r.Skin;
        if (const TMDIChild* panel = manager.panelOf(i)) {
            device.Left = panel->left();
            device.Top = panel->top();
            device.LCDColor = panel->LCDColor;
            device.LCDBackColor = panel->LCDBackColor;
        } else {
            device.Left = r.Left;
            device.Top = r.Top;
            device.LCDColor = r.LCDColor;
            device.LCDBackColor = r.LCDBackColor;
        }
        data.Devices.push_back(std::move(device));
    }
    for (int k = 0; k < kWorkspaceMacroCount; ++k) {
        data.MacroNames[k] =
            k < app.MacroNames.size() ? app.MacroNames[k] : QStringLiteral("Undefined");
    }
    data.Macros = app.Macros;
    return data;
}

// Fills the slots of a fresh table; the link, already running, polls none of them until
// BuildDeviceViews raises LastIndex over each.
void FillSlots(DeviceTable& table, const WorkspaceFileData& data) {
    const int count = std::min<int>(static_cast<int>(data.Devices.size()), kWorkspaceMaxDevices);
    for (int i = count - 1; i >= 0; --i) {
        const WorkspaceDevice& device = data.Devices[static_cast<std::size_t>(i)];
        DeviceRecord& r = table[i];
        r.DeviceName = device.DeviceName;
        r.DevID.store(device.DevID, std::memory_order_relaxed);
        r.Left = device.Left;
        r.Top = device.Top;
        r.LCDColor = device.LCDColor;
        r.LCDBackColor = device.LCDBackColor;
        r.Skin = device.Skin;
        r.flags.store(device.flags, std::memory_order_release);
    }
}

// Skin files that are there but could not be shown, named in one box once the workspace stands.
void ReportUnreadableSkins(const DeviceTable& table) {
    QStringList names;
    for (int i = 0; i <= table.lastIndex(); ++i) {
        names << table[i].Skin;
    }
    const QStringList unreadable = UnreadableSkinFiles(names);
    if (!unreadable.isEmpty()) {
        UiDialogs().information(UnreadableSkinsMessage(unreadable));
    }
}

// 0 normal, 1 minimized, 2 maximized; anything else a hand-edited file holds means normal.
int KnownWindowState(int code) {
    return (code >= 0 && code <= 2) ? code : 0;
}

}  // namespace

bool SaveWorkspace(const QString& path) {
    AppState& app = App();
    if (app.Manager == nullptr) {
        return false;
    }
    const QString lastBefore = app.LastWorkspacePath;
    app.LastWorkspacePath = path;
    if (!WriteWorkspaceFile(path, CollectWorkspace(*app.Manager))) {
        // The file on disk is the old one, whole; the workspace was not stored, so neither path
        // may point at it as if it were.
        app.LastWorkspacePath = lastBefore;
        UiDialogs().information(QStringLiteral("Workspace file ") + QDir::toNativeSeparators(path) +
                                QStringLiteral(" write error!"));
        return false;
    }
    app.WorkspacePath = path;
    RecordOperator(HistoryKind::WorkspaceSaved, QDir::toNativeSeparators(path));
    return true;
}

bool LoadWorkspace(const QString& path) {
    AppState& app = App();
    // Read before anything is closed: a file that may not be read leaves everything as it is.
    const ProfileFile file(path);
    if (IsRefusedFile(file.readCheck())) {
        UiDialogs().information(QStringLiteral("Workspace file ") + QDir::toNativeSeparators(path) +
                                QLatin1Char(' ') + RefusalReason(file.readCheck()) +
                                QLatin1Char('!'));
        return false;
    }
    const WorkspaceFileData data = ReadWorkspaceProfile(file);

    app.LastWorkspacePath = path;
    CloseWorkspace();
    TMDIKVTMAN* manager = TMDIKVTMAN::OpenManagerWindow();
    QTreeWidgetItem* root = manager->AddRootNode(QString());

    manager->setManagerGeometry(data.ManLeft, data.ManTop, data.ManWidth, data.ManHeight);
    if (app.Frame) {
        app.Frame->setWindowStateCode(KnownWindowState(data.WindowState));
    }
    root->setText(0, data.Name);
    if (app.Frame) {
        app.Frame->setTitle(QStringLiteral("K4mgr - ") + data.Name);
    }
    app.ReadOnly = data.ReadOnly;
    manager->ApplyReadOnly();
    FillSlots(manager->table(), data);
    app.MacroNames = QStringList(data.MacroNames.begin(), data.MacroNames.end());
    app.Macros = data.Macros;
    MacroNamesReplaced();
    app.WorkspacePath = path;
    manager->BuildDeviceViews();
    ReportUnreadableSkins(manager->table());
    RecordOperator(HistoryKind::WorkspaceOpened, QDir::toNativeSeparators(path));
    return true;
}

void CloseWorkspace() {
    AppState& app = App();
    TMDIKVTMAN* manager = app.Manager;
    if (manager == nullptr) {
        return;
    }
    RecordOperator(HistoryKind::WorkspaceClosed, QDir::toNativeSeparators(app.WorkspacePath));
    // The exchange on the line ends while the panels go.
    app.Link.RequestStop();
    DeviceTable& table = manager->table();
    for (int i = table.lastIndex(); i >= 0; --i) {
        DeviceRecord& r = table[i];
        // The in-use flag goes before the panel, so the link, still running, leaves the slot be.
        r.flags.store(0, std::memory_order_release);
        if (TMDIChild* panel = manager->panelOf(i)) {
            panel->closeWithWorkspace();
        }
        r.Panel.store(kNoHandle, std::memory_order_release);
    }
    // The link finishes its exchange on its own, holding the table; the window goes at once.
    manager->closeManager();
    app.Manager = nullptr;
    app.RootNode = nullptr;
}

}  // namespace k4
