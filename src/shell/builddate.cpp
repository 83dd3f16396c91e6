// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/builddate.h"

#include "builddate_value.h"

#include <QDate>

namespace k4 {

QString AboutBoxDate(const QString& isoDay) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate date = QDate::fromString(isoDay, Qt::ISODate);
    if (!date.isValid()) {
        return {};
    }
    return QStringLiteral("%1 %2 %3")
        .arg(QLatin1String(kMonths[date.month() - 1]))
        .arg(date.day())
        .arg(date.year());
}

QString ProgramBuildDate() {
    return AboutBoxDate(QStringLiteral(K4_BUILD_DAY));
}

}  // namespace k4
