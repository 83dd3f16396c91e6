// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whole files as bytes, for tests that compare what the program wrote down to the last byte.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace k4test {

// The file's bytes; "<unreadable>" (which no expected content equals) when it cannot be read.
inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Replaces the file's content with bytes; false when they could not all be written.
inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

}  // namespace k4test
