// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace k4 {

// Text crosses into profile files as bytes: UTF-8, or the 8-bit Windows code page (1252) of
// files written on Windows.

// How a value is written: UTF-8, or 8-bit Windows-1252 where every character of it fits.
enum class ProfileTextForm { Utf8, EightBit };

// The first maxBytes bytes of value as text: UTF-8 when the whole value is UTF-8, else
// Windows-1252. A character that the cut would split is dropped whole rather than left as a
// broken half.
QString DecodeProfileString(const QByteArray& value, int maxBytes);

// text as bytes that read back as text: it ends at its first line break or NUL (a value holds
// one line), and a value that the reader would change (outer blanks, one pair of matching outer
// quotes) is wrapped in double quotes, which the reader takes off again. In the 8-bit form a
// text with a character outside Windows-1252 is written as UTF-8, and so is one whose 8-bit bytes
// would read back as UTF-8 (and so as other characters).
QByteArray EncodeProfileString(const QString& text, ProfileTextForm form = ProfileTextForm::Utf8);

// The form a file's text is in: 8-bit when it is not UTF-8.
ProfileTextForm ProfileTextFormOf(const QByteArray& bytes);

}  // namespace k4
