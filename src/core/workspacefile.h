// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/macrocontent.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace k4 {

class ProfileFile;

inline constexpr int kWorkspaceMaxDevices = 127;
inline constexpr int kWorkspaceMacroCount = 12;
// The bytes of a name the reader hands over; a longer value is cut.
inline constexpr int kWorkspaceNameBytes = 49;
inline constexpr int kDeviceNameBytes = 49;
inline constexpr int kMacroNameBytes = 99;

// One device as a workspace file stores it: name, ID, flags and skin of its record, place and
// colours of its panel.
struct WorkspaceDevice {
    QString DeviceName = QStringLiteral("Error");
    std::uint8_t flags = 0;  // bit 0: in use
    std::uint8_t DevID = 0;
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::uint32_t LCDColor = 0x00FF00;  // 0x00BBGGRR
    std::uint32_t LCDBackColor = 0;
    QString Skin;  // bare file name of a skin bitmap, empty for none

    bool operator==(const WorkspaceDevice&) const = default;
};

// The content of a workspace file ("*.DID"), free of windows.
struct WorkspaceFileData {
    QString Name = QStringLiteral("Error");  // the workspace node's text
    int ManTop = 0;
    int ManLeft = 0;
    int ManWidth = 0;
    int ManHeight = 0;
    int WindowState = 0;  // 0 normal, 1 minimized, 2 maximized
    bool ReadOnly = false;
    // Slots 0, 1, ... in order; every one carries the in-use flag. At most 127.
    std::vector<WorkspaceDevice> Devices;
    std::array<QString, kWorkspaceMacroCount> MacroNames;
    // Keys and devices of each macro, in the same section as the names (MacroKeys1,
    // MacroDevices1, ...); a file without them holds empty macros.
    std::array<MacroContent, kWorkspaceMacroCount> Macros;

    WorkspaceFileData() { MacroNames.fill(QStringLiteral("Undefined")); }
    bool operator==(const WorkspaceFileData&) const = default;
};

// Reads the workspace stored at path, with one file access. A missing or unreadable file gives
// the empty workspace named "Error". Sections are found by name, in any order. At most 127
// devices load, however many Devices names; the list ends before the first device section
// without the in-use flag (the sections after it are not devices of the table).
WorkspaceFileData ReadWorkspaceFile(const QString& path);
WorkspaceFileData ReadWorkspaceProfile(const ProfileFile& file);

// Writes data into the file at path with one file access: the keys of "Global", then one section
// per device from the highest slot down to slot 0, then "MacroNames", every key where an earlier
// save put it. A macro's keys and devices are written after the names, and only when it holds
// some or the file held them before: a workspace without macro content writes what it always did. A
// text key that already reads as the text to write keeps its bytes; a changed one is written 8-bit
// (Windows-1252) in a file that is not UTF-8 when every character fits, else as UTF-8. Keys this
// writer does not write stay in the file (device sections of a workspace that once had more devices
// are ignored on loading because Devices is lower). Name is the file name part of path, not
// data.Name. False when the file could not be written; the file on disk is then the old one, whole.
bool WriteWorkspaceFile(const QString& path, const WorkspaceFileData& data);
void WriteWorkspaceProfile(ProfileFile& file, const QString& path, const WorkspaceFileData& data);

// The file name part of a path: everything after its last "\" or "/" (the whole path when it has
// neither).
QString WorkspaceNameOfPath(const QString& path);

}  // namespace k4
