#pragma once

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

struct ShellSettings {
    std::int8_t port = 1;       // RS232Port, low 8 bits kept
    QString lastFile;           // LastFile, at most 254 bytes
    bool followActive = false;  // FollowActive: the active panel's device polled every other tick
};

// A missing file or missing keys read as the defaults.
ShellSettings ReadShellSettings(const QString& settingsPath);
// Writes LastFile (also when empty), creating the file when there is none. False when the file
// could not be written.
bool WriteLastFile(const QString& settingsPath, const QString& lastFile);
// Writes FollowActive as 1 or 0, touching nothing else in the file.
bool WriteFollowActive(const QString& settingsPath, bool on);

}  // namespace k4
