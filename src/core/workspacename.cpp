#include "core/workspacename.h"

namespace k4 {

QString WorkspaceNodeLabel(const QString& typed) {
    const qsizetype dot = typed.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? typed : typed.mid(dot + 1);
    if (extension.compare(QLatin1String("DID"), Qt::CaseInsensitive) == 0) {
        return typed;
    }
    return typed + QStringLiteral(".DID");
}

QString MainCaptionFor(const QString& workspaceLabel) {
    return QStringLiteral("K4mgr - ") + workspaceLabel;
}

}  // namespace k4
