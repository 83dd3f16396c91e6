#include "state/appstate.h"

#include <QFileInfo>

namespace k4 {

AppState& App() {
    static AppState state;
    return state;
}

QString AppDirOf(const QString& executablePath) {
    QString dir = QFileInfo(executablePath).absolutePath();
    if (!dir.endsWith(QLatin1Char('/'))) {
        dir += QLatin1Char('/');
    }
    return dir;
}

}  // namespace k4
