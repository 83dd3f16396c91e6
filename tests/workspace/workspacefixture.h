// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the workspace tests share: the program without a line (offlineprogram.h) with its frame
// shown, a program folder with a skins folder, and helpers that write workspace files and look at
// the windows built from them.
#include "core/workspacefile.h"
#include "manager/kvtmanager.h"
#include "mdiwindows.h"
#include "offlineprogram.h"
#include "panel/mdichild.h"
#include "skinbitmap.h"
#include "state/appstate.h"
#include "workspace/workspace.h"

#include <QDir>
#include <QImage>
#include <QMdiSubWindow>
#include <QTemporaryDir>

namespace k4test {

class WorkspaceFixture : public OfflineProgram {
public:
    WorkspaceFixture() {
        frame.area.show();
        k4::AppState& app = k4::App();
        app.AppDir = dir.path() + QLatin1Char('/');
        app.WorkspacePath.clear();
        app.LastWorkspacePath.clear();
        app.MacroNames = QStringList(k4::kMacroCount, QStringLiteral("Undefined"));
        QDir(dir.path()).mkdir(QStringLiteral("SKINS"));
        WriteSkinBitmap(dir.filePath(QStringLiteral("SKINS/blue.bmp")), Qt::darkBlue);
    }
    // The workspace's windows go first; the program's link and frame after them.
    ~WorkspaceFixture() {
        k4::CloseWorkspace();
        flush();
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    QString write(const QString& name, const k4::WorkspaceFileData& data) const {
        const QString target = path(name);
        k4::WriteWorkspaceFile(target, data);
        return target;
    }

    k4::TMDIKVTMAN* manager() const { return k4::App().Manager; }

    int panelCount() { return CountWindows<k4::TMDIChild>(frame.area); }
    int managerCount() { return CountWindows<k4::TMDIKVTMAN>(frame.area); }

    QTemporaryDir dir;
};

// A workspace that uses every field: three devices, one with a skin from the skins folder.
inline k4::WorkspaceFileData RichWorkspace() {
    k4::WorkspaceFileData data;
    data.ManTop = 12;
    data.ManLeft = 500;
    data.ManWidth = 220;
    data.ManHeight = 400;
    data.WindowState = 2;
    data.ReadOnly = true;
    const char* names[] = {"Encoder A", "Decoder with a long name", ""};
    for (int i = 0; i < 3; ++i) {
        k4::WorkspaceDevice device;
        device.DeviceName = QString::fromLatin1(names[i]);
        device.flags = i == 1 ? 0x81 : 0x01;
        device.DevID = static_cast<std::uint8_t>(10 + i * 50);  // 10, 60, 110
        device.Left = 30 + i * 100;
        device.Top = 40 + i * 60;
        device.LCDColor = 0x0000FFu + static_cast<std::uint32_t>(i);
        device.LCDBackColor = 0x102030u * static_cast<std::uint32_t>(i);
        data.Devices.push_back(device);
    }
    data.Devices[0].Skin = QStringLiteral("blue.bmp");
    data.Devices[2].Skin = QStringLiteral("missing.bmp");
    for (int k = 0; k < k4::kWorkspaceMacroCount; ++k) {
        data.MacroNames[k] = QStringLiteral("Macro %1").arg(k + 1);
    }
    return data;
}

}  // namespace k4test
