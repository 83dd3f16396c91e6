// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/workspacefile.h"

#include "core/profilefile.h"
#include "core/profilestrings.h"

#include <algorithm>
#include <limits>

namespace k4 {

namespace {

constexpr int kNameBytes = kWorkspaceNameBytes;
constexpr int kSkinBytes = 254;
constexpr int kWholeValue = std::numeric_limits<int>::max();
constexpr std::uint32_t kGreen = 0x00FF00;

const QByteArray kGlobal("Global");
const QByteArray kMacroSection("MacroNames");

QByteArray deviceSection(int slot) {
    return "Dev" + QByteArray::number(slot);
}

QByteArray macroKey(int index) {
    return "MacroName" + QByteArray::number(index + 1);
}

QByteArray macroKeysKey(int index) {
    return "MacroKeys" + QByteArray::number(index + 1);
}

QByteArray macroDevicesKey(int index) {
    return "MacroDevices" + QByteArray::number(index + 1);
}

QString readText(const ProfileFile& file, const QByteArray& section, const QByteArray& key,
                 const char* def, int maxBytes) {
    return DecodeProfileString(file.readString(section, key, def, kWholeValue), maxBytes);
}

// Writes text unless the key already holds a value that reads as text: a name nobody edited
// keeps its bytes (its 8-bit form, its quotes, a longer tail the reader cuts off).
void writeText(ProfileFile& file, ProfileTextForm form, const QByteArray& section,
               const QByteArray& key, const QString& text, int maxBytes) {
    if (file.hasKey(section, key) &&
        DecodeProfileString(file.readString(section, key, {}, kWholeValue), maxBytes) == text) {
        return;
    }
    file.writeString(section, key, EncodeProfileString(text, form));
}

// A key that only some workspaces hold: not added for an empty value.
void writeOptionalText(ProfileFile& file, ProfileTextForm form, const QByteArray& section,
                       const QByteArray& key, const QString& text) {
    if (text.isEmpty() && !file.hasKey(section, key)) {
        return;
    }
    writeText(file, form, section, key, text, kWholeValue);
}

std::uint8_t lowByte(int value) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

// 8-bit fields go to the file as signed 8-bit numbers (200 is written -56).
int asSigned8(std::uint8_t value) {
    return static_cast<std::int8_t>(value);
}

int asSigned32(std::uint32_t value) {
    return static_cast<std::int32_t>(value);
}

WorkspaceDevice readDevice(const ProfileFile& file, int slot) {
    const QByteArray section = deviceSection(slot);
    WorkspaceDevice device;
    device.DeviceName = readText(file, section, "DeviceName", "Error", kDeviceNameBytes);
    device.flags = lowByte(file.readInt(section, "flags", 0));
    device.DevID = lowByte(file.readInt(section, "DevID", 0));
    device.Left = file.readInt(section, "Left", 0);
    device.Top = file.readInt(section, "Top", 0);
    device.LCDColor = static_cast<std::uint32_t>(file.readInt(section, "LCDColor", kGreen));
    device.LCDBackColor = static_cast<std::uint32_t>(file.readInt(section, "LCDBackColor", 0));
    device.Skin = readText(file, section, "Skin", "", kSkinBytes);
    return device;
}

void writeDevice(ProfileFile& file, ProfileTextForm form, int slot, const WorkspaceDevice& device) {
    const QByteArray section = deviceSection(slot);
    writeText(file, form, section, "DeviceName", device.DeviceName, kDeviceNameBytes);
    file.writeInt(section, "flags", asSigned8(device.flags | 0x01));
    file.writeInt(section, "DevID", asSigned8(device.DevID));
    file.writeInt(section, "Left", device.Left);
    file.writeInt(section, "Top", device.Top);
    file.writeInt(section, "LCDColor", asSigned32(device.LCDColor));
    file.writeInt(section, "LCDBackColor", asSigned32(device.LCDBackColor));
    writeText(file, form, section, "Skin", device.Skin, kSkinBytes);
}

}  // namespace

QString WorkspaceNameOfPath(const QString& path) {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

WorkspaceFileData ReadWorkspaceFile(const QString& path) {
    return ReadWorkspaceProfile(ProfileFile(path));
}

WorkspaceFileData ReadWorkspaceProfile(const ProfileFile& file) {
    WorkspaceFileData data;
    const int count = std::clamp(file.readInt(kGlobal, "Devices", 0), 0, kWorkspaceMaxDevices);
    data.Name = readText(file, kGlobal, "Name", "Error", kNameBytes);
    data.ManTop = file.readInt(kGlobal, "ManTop", 0);
    data.ManLeft = file.readInt(kGlobal, "ManLeft", 0);
    data.ManWidth = file.readInt(kGlobal, "ManWidth", 0);
    data.ManHeight = file.readInt(kGlobal, "ManHeight", 0);
    data.WindowState = file.readInt(kGlobal, "WindowState", 0);
    data.ReadOnly = file.readInt(kGlobal, "ReadOnly", 0) != 0;
    // The table ends at the first section without the in-use flag: what follows it would never
    // be built, polled or saved, so it is not handed over at all.
    for (int slot = 0; slot < count; ++slot) {
        WorkspaceDevice device = readDevice(file, slot);
        if ((device.flags & 0x01) == 0) {
            break;
        }
        data.Devices.push_back(std::move(device));
    }
    for (int i = 0; i < kWorkspaceMacroCount; ++i) {
        data.MacroNames[i] =
            readText(file, kMacroSection, macroKey(i), "Undefined", kMacroNameBytes);
    }
    for (int i = 0; i < kWorkspaceMacroCount; ++i) {
        MacroContent& macro = data.Macros[static_cast<std::size_t>(i)];
        macro.Keys = readText(file, kMacroSection, macroKeysKey(i), "", kWholeValue);
        macro.Devices = ParseMacroMarks(
            readText(file, kMacroSection, macroDevicesKey(i), "", kWholeValue), &macro.KeptPairs);
    }
    return data;
}

bool WriteWorkspaceFile(const QString& path, const WorkspaceFileData& data) {
    ProfileFile file(path);
    WriteWorkspaceProfile(file, path, data);
    return file.save();
}

void WriteWorkspaceProfile(ProfileFile& file, const QString& path, const WorkspaceFileData& data) {
    const int count =
        static_cast<int>(std::min<std::size_t>(data.Devices.size(), kWorkspaceMaxDevices));
    // A file written on Windows in its 8-bit code page stays 8-bit where the text allows.
    const ProfileTextForm form = ProfileTextFormOf(file.text());
    file.writeInt(kGlobal, "Devices", count);
    writeText(file, form, kGlobal, "Name", WorkspaceNameOfPath(path), kNameBytes);
    file.writeInt(kGlobal, "ManTop", data.ManTop);
    file.writeInt(kGlobal, "ManLeft", data.ManLeft);
    file.writeInt(kGlobal, "ManWidth", data.ManWidth);
    file.writeInt(kGlobal, "ManHeight", data.ManHeight);
    file.writeInt(kGlobal, "WindowState", data.WindowState);
    file.writeInt(kGlobal, "ReadOnly", data.ReadOnly ? 1 : 0);
    for (int slot = count - 1; slot >= 0; --slot) {
        writeDevice(file, form, slot, data.Devices[static_cast<std::size_t>(slot)]);
    }
    for (int i = 0; i < kWorkspaceMacroCount; ++i) {
        writeText(file, form, kMacroSection, macroKey(i), data.MacroNames[i], kMacroNameBytes);
    }
    for (int i = 0; i < kWorkspaceMacroCount; ++i) {
        const MacroContent& macro = data.Macros[static_cast<std::size_t>(i)];
        writeOptionalText(file, form, kMacroSection, macroKeysKey(i), macro.Keys);
        writeOptionalText(file, form, kMacroSection, macroDevicesKey(i),
                          FormatMacroMarks(macro.Devices, macro.KeptPairs));
    }
}

}  // namespace k4
