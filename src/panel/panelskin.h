// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QString>
#include <QStringList>

#include <optional>

namespace k4 {

class TMDIChild;
class TSkinSelector;

enum class SkinLoad {
    Loaded,      // the panel shows the picture and SkinFile names it
    NoFile,      // no such file in the skins folder, or a name that is not a bare file name
    Unreadable,  // the file is there but is no picture Qt can read; the panel is unchanged
};

// Loads skin name from the skins folder into panel: its skin image shows the picture (made
// visible) and its SkinFile becomes name. On any other outcome the panel keeps its picture and
// SkinFile. Workspace loading and the change-skin command both dress panels through here.
SkinLoad LoadSkin(TMDIChild& panel, const QString& name);

// The picture skin name gives a panel (see SkinPictureOf); empty when there is no such file or
// it is no readable skin.
std::optional<QPixmap> SkinPicture(const QString& name);

// The files of the skins folder that names stand for but that are no readable skin, each once,
// in the order first named. Names without a file are not among them.
QStringList UnreadableSkinFiles(const QStringList& names);
// The plain message box text that names them.
QString UnreadableSkinsMessage(const QStringList& paths);

// The panel's "Change skin and colors" command: fills dialog from the panel, shows it modally,
// and applies what it holds when it closes, however it is closed, to the panel and to the
// panel's device record in the open workspace's table. Nothing happens in read-only mode but a
// message. A panel closed while the dialog is open is left alone.
void ChangeSkinAndColors(TMDIChild& panel, TSkinSelector& dialog);

}  // namespace k4
