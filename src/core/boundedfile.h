// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace k4 {

// Files that come from elsewhere (a workspace handed over, a settings file edited by hand) are
// read only when they are regular files of a sane size: a pipe or a device would block the
// program or never end, and a huge file would fill its memory. The platform-specific part of
// reading lives behind this one function.

// The most a settings or workspace file may hold; a full workspace of 127 devices is about 20 kB.
inline constexpr qint64 kMaxProfileFileBytes = 4 * 1024 * 1024;

enum class FileCheck {
    Read,        // a regular file, read whole
    Missing,     // nothing at the path (also a link that leads nowhere)
    NotRegular,  // a folder, a pipe, a device or a socket: never opened for reading
    TooLarge,    // more than the bound
    Unreadable,  // there but not readable (permissions, an error while reading)
};

struct BoundedRead {
    FileCheck check = FileCheck::Missing;
    QByteArray bytes;  // the whole file when check is Read, else empty
};

// Reads path when it is a regular file of at most maxBytes. Never waits for a writer or a device
// and never reads more than maxBytes + 1 bytes.
BoundedRead ReadRegularFile(const QString& path, qint64 maxBytes);

// True for the outcomes an operator is told about: the file is there but is no file this program
// may read.
constexpr bool IsRefusedFile(FileCheck check) {
    return check == FileCheck::NotRegular || check == FileCheck::TooLarge;
}

// The end of a sentence that starts with the file's name, for a refused file: "is not a regular
// file", "is larger than 4 MB".
QString RefusalReason(FileCheck check);

}  // namespace k4
