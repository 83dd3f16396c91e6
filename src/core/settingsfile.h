// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/boundedfile.h"

#include <QString>

#include <cstdint>

namespace k4 {

// The settings file (beside the executable, or in the user's configuration folder where the
// executable's folder cannot be written): the serial port number and the last workspace.
inline constexpr char kSettingsFileName[] = "KVT.INI";
inline constexpr char kSettingsSection[] = "KVT_WORKSPACE";

// The program's folder as the rest of the program uses it: Qt's "/" separators (which every
// platform's file functions take), always ending in one, also for a root folder.
QString ProgramFolder(const QString& directory);

struct ProgramSettings {
    std::uint8_t port = 1;  // RS232Port: 1 to 255, 0 for a number no port can have
    QString lastFile;       // LastFile, at most 254 bytes
    FileCheck fileCheck = FileCheck::Missing;  // what reading the file found
    bool followActive = false;  // FollowActive: the active panel's device polled every other tick
};

// A missing file or missing keys read as the defaults; so does a file that is refused (no
// regular file, or too large: see fileCheck).
ProgramSettings ReadProgramSettings(const QString& settingsPath);
// Writes LastFile (also when empty), creating the file when there is none. False when the file
// could not be written.
bool WriteLastFile(const QString& settingsPath, const QString& lastFile);
// Writes FollowActive as 1 or 0, touching nothing else in the file.
bool WriteFollowActive(const QString& settingsPath, bool on);

}  // namespace k4
