// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/devicekind.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>

#include <cerrno>
#endif

namespace k4 {

#ifdef Q_OS_WIN

DeviceFacts LookAtDevice(const QString& path) {
    // Ports are device names (COM3, \\.\COM10) that the file system does not list; only a path
    // of the file system can be seen to be something else.
    if (path.startsWith(QStringLiteral("\\\\.\\")) ||
        !(path.contains(QLatin1Char('\\')) || path.contains(QLatin1Char('/')))) {
        return {DeviceKind::CharacterDevice, {}};
    }
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return {DeviceKind::Missing, {}};
        }
        return {DeviceKind::Unknown, qt_error_string(static_cast<int>(error))};
    }
    return {
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? DeviceKind::Folder : DeviceKind::RegularFile,
        {}};
}

#else

DeviceFacts LookAtDevice(const QString& path) {
    struct stat facts {};
    if (::stat(QFile::encodeName(path).constData(), &facts) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return {DeviceKind::Missing, {}};
        }
        return {DeviceKind::Unknown, qt_error_string(error)};
    }
    if (S_ISCHR(facts.st_mode)) {
        return {DeviceKind::CharacterDevice, {}};
    }
    if (S_ISREG(facts.st_mode)) {
        return {DeviceKind::RegularFile, {}};
    }
    if (S_ISDIR(facts.st_mode)) {
        return {DeviceKind::Folder, {}};
    }
    return {DeviceKind::Other, {}};
}

#endif

}  // namespace k4
