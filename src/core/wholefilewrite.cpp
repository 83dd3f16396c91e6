// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/wholefilewrite.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace k4 {

namespace {

bool Fail(QString* reason, const QString& why) {
    if (reason != nullptr) {
        *reason = why;
    }
    return false;
}

bool WriteInPlace(const QString& path, const QByteArray& bytes, QString* reason) {
    QFile file(path);
    // Unbuffered, so a short write shows in the count here instead of vanishing in a close.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return Fail(reason, file.errorString());
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        return Fail(reason, file.errorString());
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        return Fail(reason, file.errorString());
    }
    return true;
}

}  // namespace

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* reason) {
    const QFileInfo info(path);  // follows a link to what it names
    if (info.exists() && !info.isFile()) {
        if (info.isDir()) {
            return Fail(reason, QStringLiteral("it is a folder"));
        }
        return WriteInPlace(path, bytes, reason);
    }
    QSaveFile file(path);
    // Never written straight over the old file, whatever the folder allows.
    file.setDirectWriteFallback(false);
    // Unbuffered: a buffered QSaveFile can report a short write at commit time as success; written
    // directly, the short count shows here and the commit is cancelled.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return Fail(reason, file.errorString());
    }
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return Fail(reason, why);
    }
    if (!file.commit()) {
        return Fail(reason, file.errorString());
    }
    return true;
}

}  // namespace k4
