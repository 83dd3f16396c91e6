// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace k4 {

// Writes the open workspace into path. False when the file could not be written: the operator has
// then been told, naming the file, the file on disk is the old one, whole, and LastWorkspacePath
// and WorkspacePath keep their values. False without a word when no workspace is open.
bool SaveWorkspace(const QString& path);
// Replaces the open workspace by the one stored at path (a missing or unreadable file gives the
// empty workspace named "Error") and ends with an open workspace; skin files that could not be
// shown are then named in one message box. A path that is no regular file (a pipe, a device, a
// folder) or a file larger than kMaxProfileFileBytes is refused instead: a message box names it,
// nothing else changes, and the result is false.
bool LoadWorkspace(const QString& path);
// Discards the open workspace: closes its panels and its manager window. Nothing when none is open.
void CloseWorkspace();

}  // namespace k4
