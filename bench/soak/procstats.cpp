// SPDX-License-Identifier: GPL-3.0-or-later
#include "procstats.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace k4soak {

long ResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

std::map<QString, double> ThreadCpuSeconds() {
    std::map<QString, double> out;
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(tid + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        // "tid (name) state ..." where the name may hold blanks and parentheses.
        const qsizetype open = text.indexOf('(');
        const qsizetype close = text.lastIndexOf(')');
        if (open < 0 || close < open) {
            continue;
        }
        const QString name = QString::fromUtf8(text.mid(open + 1, close - open - 1));
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        // Fields after the name start at "state" (field 3): utime is 14, stime 15.
        if (fields.size() < 13) {
            continue;
        }
        const double seconds = (fields[11].toDouble() + fields[12].toDouble()) / ticks;
        out[name + QLatin1Char('/') + tid] = seconds;
    }
    return out;
}

}  // namespace k4soak
