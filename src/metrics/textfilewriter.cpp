// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/textfilewriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace k4 {

QString WriteTextfile(const QString& folder, const QByteArray& text) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(kTextfileName));
    const auto failed = [&path](const QString& why) {
        return QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), why);
    };
    if (!QFileInfo(folder).isDir()) {
        return failed(QStringLiteral("no such folder"));
    }
    // The temporary file is "k4mgr.prom.XXXXXX" beside it, a name the collector does not read.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return failed(file.errorString());
    }
    if (file.write(text) != text.size() || !file.commit()) {
        return failed(file.errorString());
    }
    return {};
}

}  // namespace k4
