// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace k4 {

// The label a renamed workspace node takes: the typed text with ".DID" appended unless the part
// after its last "." (the whole text when it has none) already reads DID in any case. Text with
// ".DID" appended is cut first so that the label fits the workspace file's name size.
QString WorkspaceNodeLabel(const QString& typed);

// The main window's caption for a workspace label.
QString MainCaptionFor(const QString& workspaceLabel);

}  // namespace k4
