// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rules for skin files, free of widgets: which names may be skins and what the skins folder
// offers. A skin is named by a bare file name inside the skins folder and nothing else.
#include <QString>
#include <QStringList>

namespace k4 {

// True for a name that can only mean a file directly inside the skins folder: not empty, no path
// separator of either kind, no drive colon, not "." or "..". A name from a hand-edited workspace
// file that fails this is no skin, so no file outside the folder is ever read.
bool IsBareSkinName(const QString& name);

// The path of skin name in skinsDir (which ends in a separator); empty for a name that is not
// bare.
QString SkinPath(const QString& skinsDir, const QString& name);

// The file that skin name stands for in skinsDir: the file of exactly that name, or else one
// whose name differs from it only in case (a workspace made where file names ignore case says
// "Steel.BMP" for steel.bmp). Of several such files the first in ListSkinFiles order. Empty when
// there is none, or for a name that is not bare.
QString FindSkinFile(const QString& skinsDir, const QString& name);

// True when FindSkinFile finds a file for name.
bool SkinFileExists(const QString& skinsDir, const QString& name);

// The bitmap files of skinsDir: the names ending in ".bmp" in any case, sorted without regard to
// case. Empty for a folder that does not exist.
QStringList ListSkinFiles(const QString& skinsDir);

}  // namespace k4
