// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/historycsv.h"

#include <QDateTime>
#include <QStringList>

namespace k4 {

QString SafeCsvCell(const QString& text) {
    QString cell = text;
    if (!cell.isEmpty()) {
        const QChar c = cell.front();
        if (c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-') ||
            c == QLatin1Char('@') || c == QLatin1Char('\t') || c == QLatin1Char('\r')) {
            cell.prepend(QLatin1Char('\''));
        }
    }
    if (cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"')) ||
        cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'))) {
        cell.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        cell = QLatin1Char('"') + cell + QLatin1Char('"');
    }
    return cell;
}

QString HistoryCsvHeader() {
    return QStringLiteral("Time,Kind,Device,Text,Workspace");
}

QString LocalTimeText(qint64 utcMs) {
    return QDateTime::fromMSecsSinceEpoch(utcMs).toLocalTime().toString(
        QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString HistoryCsvRow(const HistoryRow& row) {
    const QStringList cells = {LocalTimeText(row.utcMs), KindText(row.kind), RowDeviceLabel(row),
                               row.text, row.workspace};
    QStringList safe;
    for (const QString& c : cells) {
        safe << SafeCsvCell(c);
    }
    return safe.join(QLatin1Char(','));
}

}  // namespace k4
