#pragma once

#include <QByteArray>
#include <QString>

namespace k4 {

// Text crosses into profile files as 8-bit bytes in the system's encoding.

// The first maxBytes bytes of value as text; a character that the cut would split is dropped
// whole rather than left as a broken half.
QString DecodeProfileString(const QByteArray& value, int maxBytes);

// text as bytes that read back as text: it ends at its first line break or NUL (a value holds
// one line), and a value that the reader would change (outer blanks, one pair of matching outer
// quotes) is wrapped in double quotes, which the reader takes off again.
QByteArray EncodeProfileString(const QString& text);

}  // namespace k4
