// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/boundedfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace k4 {

namespace {

#if defined(Q_OS_UNIX)

FileCheck CheckStat(const struct stat& info, qint64 maxBytes) {
    if (!S_ISREG(info.st_mode)) {
        return FileCheck::NotRegular;
    }
    return info.st_size > maxBytes ? FileCheck::TooLarge : FileCheck::Read;
}

// Reads at most maxBytes + 1 bytes, so a file that grew after its size was checked still shows
// as too large instead of being read without end.
BoundedRead ReadOpened(int fd, qint64 maxBytes) {
    BoundedRead result;
    QByteArray bytes;
    const qint64 limit = maxBytes + 1;
    qint64 total = 0;
    while (total < limit) {
        const qint64 chunk = std::min<qint64>(limit - total, 64 * 1024);
        bytes.resize(total + chunk);
        const ssize_t got = ::read(fd, bytes.data() + total, static_cast<size_t>(chunk));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.check = FileCheck::Unreadable;
            return result;
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    if (total > maxBytes) {
        result.check = FileCheck::TooLarge;
        return result;
    }
    bytes.resize(total);
    result.check = FileCheck::Read;
    result.bytes = std::move(bytes);
    return result;
}

BoundedRead ReadPlatform(const QString& path, qint64 maxBytes) {
    BoundedRead result;
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    // Looked at before opening: opening some devices has effects of its own.
    if (::stat(native.constData(), &info) != 0) {
        result.check =
            (errno == ENOENT || errno == ENOTDIR) ? FileCheck::Missing : FileCheck::Unreadable;
        return result;
    }
    result.check = CheckStat(info, maxBytes);
    if (result.check != FileCheck::Read) {
        return result;
    }
    // Non-blocking: should the path have become a pipe since, opening it does not wait for a
    // writer; what was opened is checked again before a byte is read.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.check = errno == ENOENT ? FileCheck::Missing : FileCheck::Unreadable;
        return result;
    }
    if (::fstat(fd, &info) != 0) {
        result.check = FileCheck::Unreadable;
    } else {
        result.check = CheckStat(info, maxBytes);
    }
    if (result.check == FileCheck::Read) {
        result = ReadOpened(fd, maxBytes);
    }
    ::close(fd);
    return result;
}

#else

BoundedRead ReadPlatform(const QString& path, qint64 maxBytes) {
    BoundedRead result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.check = FileCheck::Missing;
        return result;
    }
    if (!info.isFile()) {
        result.check = FileCheck::NotRegular;
        return result;
    }
    if (info.size() > maxBytes) {
        result.check = FileCheck::TooLarge;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.check = FileCheck::Unreadable;
        return result;
    }
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.check = FileCheck::Unreadable;
    } else if (bytes.size() > maxBytes) {
        result.check = FileCheck::TooLarge;
    } else {
        result.check = FileCheck::Read;
        result.bytes = std::move(bytes);
    }
    return result;
}

#endif

}  // namespace

BoundedRead ReadRegularFile(const QString& path, qint64 maxBytes) {
    if (path.isEmpty()) {
        return {};
    }
    return ReadPlatform(path, maxBytes);
}

QString RefusalReason(FileCheck check) {
    switch (check) {
        case FileCheck::NotRegular:
            return QStringLiteral("is not a regular file");
        case FileCheck::TooLarge:
            return QStringLiteral("is larger than %1 MB").arg(kMaxProfileFileBytes / (1024 * 1024));
        default:
            return QStringLiteral("cannot be read");
    }
}

}  // namespace k4
