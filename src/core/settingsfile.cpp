// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settingsfile.h"

#include "core/portnumber.h"
#include "core/profilefile.h"
#include "core/profilestrings.h"

#include <QDir>
#include <QFile>

#include <limits>

namespace k4 {

namespace {
constexpr int kLastFileSize = 255;
}

QString ProgramFolder(const QString& directory) {
    QString folder = QDir::fromNativeSeparators(directory);
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

ProgramSettings ReadProgramSettings(const QString& settingsPath) {
    const ProfileFile file(settingsPath);
    ProgramSettings settings;
    settings.fileCheck = file.readCheck();
    // A number no port can have (0, negative, above 255) is kept as 0, never as some other port.
    settings.port = ConfiguredPort(file.readInt(kSettingsSection, "RS232Port", 1));
    // Cut at a character, never through one: a broken half would name no file at all.
    settings.lastFile = DecodeProfileString(
        file.readString(kSettingsSection, "LastFile", {}, std::numeric_limits<int>::max()),
        kLastFileSize - 1);
    settings.followActive = file.readInt(kSettingsSection, "FollowActive", 0) != 0;
    return settings;
}

bool WriteFollowActive(const QString& settingsPath, bool on) {
    return ProfileFile::WriteString(settingsPath, kSettingsSection, "FollowActive", on ? "1" : "0");
}

bool WriteLastFile(const QString& settingsPath, const QString& lastFile) {
    return ProfileFile::WriteString(settingsPath, kSettingsSection, "LastFile",
                                    QFile::encodeName(lastFile));
}

}  // namespace k4
