// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace k4 {

// Writes bytes as the whole content of the file at path, or fails and leaves what was there: a
// regular file (or a new one) is written beside itself and renamed over the old one only once
// every byte is down. A path that names something other than a regular file (a device, a pipe)
// is written in place, since renaming over it would replace it: there too every write and the
// final flush are checked. False on any failure; reason (when given) then says why.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

}  // namespace k4
