// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/historysettings.h"

#include "core/profilefile.h"

#include <QStandardPaths>

namespace k4 {

HistoryLimits ReadHistoryLimits(const QString& settingsPath) {
    const ProfileFile file(settingsPath);
    HistoryLimits limits;
    const int days = file.readInt(kHistorySection, "KeepDays", limits.keepDays);
    const int rows = file.readInt(kHistorySection, "KeepRows", static_cast<int>(limits.keepRows));
    if (days > 0) {
        limits.keepDays = days;
    }
    if (rows > 0) {
        limits.keepRows = rows;
    }
    return limits;
}

QString DefaultHistoryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/history.sqlite");
}

}  // namespace k4
