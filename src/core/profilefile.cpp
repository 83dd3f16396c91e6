// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/profilefile.h"

#include "core/boundedfile.h"
#include "core/profiletext.h"

#include <QFileInfo>
#include <QSaveFile>

namespace k4 {

namespace {

// Windows' own reader hands back at most size - 1 bytes; a size of 0 or less gives nothing.
QByteArray cutToSize(QByteArray value, int size) {
    if (size <= 1) {
        return {};
    }
    if (value.size() > size - 1) {
        value.truncate(size - 1);
    }
    return value;
}

}  // namespace

struct ProfileFile::Impl {
    QString path;
    ProfileText text;
    // The file exists but could not be read, or is no file to read (a pipe, a device, a huge
    // file): saving would replace something we never saw, so save() refuses instead.
    bool readFailed = false;
    FileCheck check = FileCheck::Missing;
};

ProfileFile::ProfileFile(QString path) : d(std::make_unique<Impl>()) {
    d->path = std::move(path);
    BoundedRead read = ReadRegularFile(d->path, kMaxProfileFileBytes);
    d->check = read.check;
    if (read.check == FileCheck::Read) {
        d->text = ProfileText(read.bytes);
        return;
    }
    d->readFailed = read.check != FileCheck::Missing;
}

ProfileFile::ProfileFile() : d(std::make_unique<Impl>()) {}

ProfileFile ProfileFile::FromText(const QByteArray& text) {
    ProfileFile file;
    file.d->text = ProfileText(text);
    file.d->check = FileCheck::Read;
    return file;
}

ProfileFile::~ProfileFile() = default;
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;

const QString& ProfileFile::path() const {
    return d->path;
}

FileCheck ProfileFile::readCheck() const {
    return d->check;
}

int ProfileFile::readInt(QByteArrayView section, QByteArrayView key, int def) const {
    const std::optional<QByteArray> value = d->text.value(section, key);
    if (!value || value->isEmpty()) {
        return def;
    }
    return ProfileText::leadingInt(*value);
}

QByteArray ProfileFile::readString(QByteArrayView section, QByteArrayView key, QByteArrayView def,
                                   int size) const {
    const std::optional<QByteArray> value = d->text.value(section, key);
    return cutToSize(value ? *value : def.toByteArray(), size);
}

bool ProfileFile::hasKey(QByteArrayView section, QByteArrayView key) const {
    return d->text.value(section, key).has_value();
}

void ProfileFile::writeString(QByteArrayView section, QByteArrayView key, const QByteArray& value) {
    d->text.setValue(section, key, value);
}

void ProfileFile::writeInt(QByteArrayView section, QByteArrayView key, int value) {
    d->text.setValue(section, key, QByteArray::number(value));
}

bool ProfileFile::save() {
    if (d->readFailed || d->path.isEmpty()) {
        return false;
    }
    if (!d->text.isModified()) {
        return true;
    }
    const QFileInfo info(d->path);
    // A rename would replace a write-protected file; the platform's writer refuses it, so do we.
    // The permission bits count too: to root every file is writable, but a file that nobody may
    // write was protected on purpose.
    constexpr QFileDevice::Permissions kAnyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && (!info.isWritable() || (info.permissions() & kAnyWrite) == 0)) {
        return false;
    }
    QSaveFile file(d->path);
    // Unbuffered: a buffered QSaveFile reports a short write at commit time as success (a full
    // disk would then leave a cut file in place of the old one); written directly, the short
    // count shows here and the commit is cancelled.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return false;
    }
    const QByteArray bytes = d->text.text();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        return false;
    }
    d->text.markSaved();
    return true;
}

QByteArray ProfileFile::text() const {
    return d->text.text();
}

int ProfileFile::GetInt(const QString& path, QByteArrayView section, QByteArrayView key, int def) {
    return ProfileFile(path).readInt(section, key, def);
}

QByteArray ProfileFile::GetString(const QString& path, QByteArrayView section, QByteArrayView key,
                                  QByteArrayView def, int size) {
    return ProfileFile(path).readString(section, key, def, size);
}

bool ProfileFile::WriteString(const QString& path, QByteArrayView section, QByteArrayView key,
                              const QByteArray& value) {
    ProfileFile file(path);
    file.writeString(section, key, value);
    return file.save();
}

}  // namespace k4
