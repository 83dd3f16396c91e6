#pragma once

// Where the program's own files are: the settings file and the skins folder. A program run from
// a folder of its own keeps both beside it; an installed program's folder cannot be written, so
// its settings go to the user's configuration folder and its skins lie in the data folder.
#include <QString>

#include <functional>

namespace k4 {

// Answers whether a path exists, or whether it can be written (a folder: whether a file can be
// made in it). Handed in, so the choices below are tested without depending on permission bits,
// which do not stop the root user.
using PathTest = std::function<bool(const QString& path)>;

// The settings file: KVT.INI beside the program when a save there works (the folder can be
// written, and so can the file if it is there), otherwise KVT.INI in userConfigFolder. Without a
// user configuration folder it stays beside the program. programFolder ends in "/".
QString ChooseSettingsPath(const QString& programFolder, const QString& userConfigFolder,
                           const PathTest& exists, const PathTest& canWrite);

// As ChooseSettingsPath; when the user's folder is chosen it is created, and a KVT.INI beside the
// program that cannot be written is copied there first, so its settings carry over.
QString PrepareSettingsPath(const QString& programFolder, const QString& userConfigFolder,
                            const PathTest& canWrite);
// The same with the real file system and Qt's configuration folder for the application.
QString SettingsPathFor(const QString& programFolder);

// The skins folder: SKINS beside the program when it is there, otherwise the installed one
// (installedFolder) when that is there, otherwise SKINS beside the program. Ends in "/".
QString ChooseSkinsFolder(const QString& programFolder, const QString& installedFolder,
                          const PathTest& isFolder);
QString SkinsFolderFor(const QString& programFolder);

// Whether a file can be written or a file made in a folder, found by trying.
bool CanWrite(const QString& path);

}  // namespace k4
