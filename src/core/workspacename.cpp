// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/workspacename.h"

#include "core/textlimit.h"
#include "core/workspacefile.h"

namespace k4 {

QString WorkspaceNodeLabel(const QString& typed) {
    const qsizetype dot = typed.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? typed : typed.mid(dot + 1);
    if (extension.compare(QLatin1String("DID"), Qt::CaseInsensitive) == 0) {
        return typed;
    }
    // The workspace file reads the name back cut to its size: the extension must still fit.
    const QString suffix = QStringLiteral(".DID");
    return CutToBytesAsWritten(typed, kWorkspaceNameBytes - BytesAsWritten(suffix)) + suffix;
}

QString MainCaptionFor(const QString& workspaceLabel) {
    return QStringLiteral("K4mgr - ") + workspaceLabel;
}

}  // namespace k4
