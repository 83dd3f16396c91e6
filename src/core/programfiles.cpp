// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/programfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifndef K4_INSTALLED_SKINS_FROM_BIN
#define K4_INSTALLED_SKINS_FROM_BIN "../share/k4mgr/SKINS"
#endif

namespace k4 {

namespace {

constexpr char kSettingsName[] = "KVT.INI";

QString WithSlash(QString folder) {
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

bool Exists(const QString& path) {
    return QFileInfo::exists(path);
}

// Folders that hold the programs of the whole system; a program found there was installed.
constexpr const char* kSystemProgramFolders[] = {
    "/bin/",       "/sbin/",          "/usr/bin/",        "/usr/sbin/",
    "/usr/games/", "/usr/local/bin/", "/usr/local/sbin/", "/usr/local/games/",
};

}  // namespace

ProgramLayout LayoutOf(const QString& programFolder, const QString& skinsFolder) {
    const QString folder = WithSlash(QDir::cleanPath(programFolder));
    for (const char* system : kSystemProgramFolders) {
        if (folder == QLatin1String(system)) {
            return ProgramLayout::Installed;
        }
    }
    const QString besideSkins = WithSlash(folder + QStringLiteral("SKINS"));
    return WithSlash(QDir::cleanPath(skinsFolder)) == besideSkins ? ProgramLayout::OwnFolder
                                                                  : ProgramLayout::Installed;
}

QString ChooseSettingsPath(const QString& programFolder, const QString& userConfigFolder,
                           const PathTest& exists, const PathTest& canWrite, ProgramLayout layout) {
    const QString beside = programFolder + QLatin1String(kSettingsName);
    if (userConfigFolder.isEmpty()) {
        return beside;
    }
    const QString user = WithSlash(userConfigFolder) + QLatin1String(kSettingsName);
    if (layout == ProgramLayout::Installed && !exists(beside)) {
        return user;
    }
    // A save writes a new file and renames it over the old one, so the folder must be writable
    // even when the file itself is.
    const bool besideSaves = canWrite(programFolder) && (!exists(beside) || canWrite(beside));
    return besideSaves ? beside : user;
}

QString PrepareSettingsPath(const QString& programFolder, const QString& userConfigFolder,
                            const PathTest& canWrite, ProgramLayout layout) {
    const QString path =
        ChooseSettingsPath(programFolder, userConfigFolder, Exists, canWrite, layout);
    const QString beside = programFolder + QLatin1String(kSettingsName);
    if (path == beside) {
        return path;
    }
    QDir().mkpath(userConfigFolder);
    // Only a regular file is copied: reading a pipe or a device would wait without end.
    if (!Exists(path) && QFileInfo(beside).isFile() && QFile::copy(beside, path)) {
        // The copy keeps the read-only mark of the file it came from.
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    }
    return path;
}

QString SettingsPathFor(const QString& programFolder) {
    return PrepareSettingsPath(programFolder,
                               QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                               CanWrite, LayoutOf(programFolder, SkinsFolderFor(programFolder)));
}

QString ChooseSkinsFolder(const QString& programFolder, const QString& installedFolder,
                          const PathTest& isFolder) {
    const QString beside = programFolder + QStringLiteral("SKINS/");
    if (isFolder(beside) || installedFolder.isEmpty()) {
        return beside;
    }
    const QString installed = WithSlash(installedFolder);
    return isFolder(installed) ? installed : beside;
}

QString SkinsFolderFor(const QString& programFolder) {
    const QString installed =
        QDir::cleanPath(programFolder + QLatin1String(K4_INSTALLED_SKINS_FROM_BIN));
    return ChooseSkinsFolder(programFolder, installed,
                             [](const QString& path) { return QFileInfo(path).isDir(); });
}

bool CanWrite(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) {
        QTemporaryFile probe(WithSlash(path) + QStringLiteral("k4probe-XXXXXX"));
        return probe.open();
    }
    if (!info.exists()) {
        return false;
    }
    QFile file(path);
    return file.open(QIODevice::ReadWrite);  // opened, not changed
}

}  // namespace k4
