// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/boundedfile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

namespace k4 {

// An INI "profile" file read and written key by key, with the rules the settings and workspace
// files have always been written under, so a file reads the same here as where it was made:
// section and key names match without regard to case; the first of duplicate keys (in the first
// matching section) wins; a value loses its surrounding blanks and one pair of matching outer
// quotes; a written key replaces its value where it stands, a new key lands after the section's
// last non-blank line and a new section at the end of the file; every byte not written stays as
// it was. Reads both CRLF and LF files; new lines are written CRLF. Values are bytes (8-bit text).
//
// The object holds the file's text in memory: many reads and writes touch the disk once (the
// constructor reads, save() writes), and give the same file that key-by-key writes would give.
class ProfileFile {
public:
    // Reads path; a missing or unreadable file reads as empty, and so does one that is no regular
    // file or is larger than kMaxProfileFileBytes (it is never read, and never replaced by save).
    explicit ProfileFile(QString path);
    ~ProfileFile();
    ProfileFile(ProfileFile&&) noexcept;
    ProfileFile& operator=(ProfileFile&&) noexcept;

    // A file held in memory only, with text as its content and no path (save() fails): for
    // readers that get their bytes from elsewhere, such as the fuzz targets.
    static ProfileFile FromText(const QByteArray& text);

    const QString& path() const;
    // What reading the file at construction found.
    FileCheck readCheck() const;

    // The signed decimal number at the start of the value; def when the key is missing or its
    // value is empty; 0 when the value does not begin with a number.
    int readInt(QByteArrayView section, QByteArrayView key, int def) const;
    // The value, trimmed and unquoted, cut to size-1 bytes (nothing when size < 2); def, cut the
    // same way, when the key is missing.
    QByteArray readString(QByteArrayView section, QByteArrayView key, QByteArrayView def,
                          int size) const;
    // The key stands in the first matching section with a value ("key=...", even empty).
    bool hasKey(QByteArrayView section, QByteArrayView key) const;

    // Sets the value in memory (see the class comment for where it lands). A line break in the
    // value cannot add keys or sections: the value ends at its first CR, LF or NUL (the rest is
    // dropped). Leading blanks of the value are dropped too (they would not read back). Writing
    // the value a key already holds leaves its line untouched.
    void writeString(QByteArrayView section, QByteArrayView key, const QByteArray& value);
    void writeInt(QByteArrayView section, QByteArrayView key, int value);

    // Writes the text to disk when it changed: beside the file, then renamed over it, so a crash
    // or a full disk leaves the old file or the new one, whole. False when the write failed, when
    // the file is write-protected, and when the file exists but could not be read at construction
    // (saving would replace text this object never saw).
    bool save();
    // The whole text as it would be saved.
    QByteArray text() const;

    // One-shot forms, one file access each, like the platform's profile functions.
    static int GetInt(const QString& path, QByteArrayView section, QByteArrayView key, int def);
    static QByteArray GetString(const QString& path, QByteArrayView section, QByteArrayView key,
                                QByteArrayView def, int size);
    static bool WriteString(const QString& path, QByteArrayView section, QByteArrayView key,
                            const QByteArray& value);

private:
    ProfileFile();
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace k4
