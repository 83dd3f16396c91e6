// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace k4fuzz {

// Each feeds one input through a part of the profile-file and workspace code and checks what must
// hold for any input; a broken rule aborts with a message.

// The profile-file text: read, looked up and written key by key (the profile fuzz target).
void CheckProfileText(const QByteArray& input);
// The workspace reader (the workspace fuzz target).
void CheckWorkspaceRead(const QByteArray& input);
// Both, and a save of the workspace read over the same file, loaded again: a save costs some
// thousand key look-ups, too many for a fuzz target, so the corpus replay test alone runs it.
void CheckProfileInput(const QByteArray& input);

}  // namespace k4fuzz
