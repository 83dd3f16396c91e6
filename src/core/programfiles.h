// SPDX-License-Identifier: GPL-3.0-or-later
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

// How the program lies on the disk: in a folder of its own (a build tree, a copied folder), or
// installed among other programs, where no settings file of its own belongs beside it.
enum class ProgramLayout { OwnFolder, Installed };

// Installed when the program takes its skins from the installed data folder rather than from
// beside itself, or when its folder is a system folder of programs (/usr/bin, /usr/local/bin...).
ProgramLayout LayoutOf(const QString& programFolder, const QString& skinsFolder);

// The settings file: KVT.INI beside the program when a save there works (the folder can be
// written, and so can the file if it is there), otherwise KVT.INI in userConfigFolder. An
// installed program only keeps using a KVT.INI that is beside it already; it never starts one
// there, even where its folder can be written (root). Without a user configuration folder it
// stays beside the program. programFolder ends in "/".
QString ChooseSettingsPath(const QString& programFolder, const QString& userConfigFolder,
                           const PathTest& exists, const PathTest& canWrite,
                           ProgramLayout layout = ProgramLayout::OwnFolder);

// As ChooseSettingsPath; when the user's folder is chosen it is created, and a KVT.INI beside the
// program that cannot be written is copied there first, so its settings carry over.
QString PrepareSettingsPath(const QString& programFolder, const QString& userConfigFolder,
                            const PathTest& canWrite,
                            ProgramLayout layout = ProgramLayout::OwnFolder);
// The same with the real file system, Qt's configuration folder for the application and the
// layout that the program's folder and its skins folder show.
QString SettingsPathFor(const QString& programFolder);

// The skins folder: SKINS beside the program when it is there, otherwise the installed one
// (installedFolder) when that is there, otherwise SKINS beside the program. Ends in "/".
QString ChooseSkinsFolder(const QString& programFolder, const QString& installedFolder,
                          const PathTest& isFolder);
QString SkinsFolderFor(const QString& programFolder);

// Whether a file can be written or a file made in a folder, found by trying.
bool CanWrite(const QString& path);

}  // namespace k4
