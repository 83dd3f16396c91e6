// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace k4 {

// body in the gzip format, made at zlib's fastest level: a scrape of a full workspace shrinks
// about tenfold (its lines repeat the same names), for a fraction of the exposition's own CPU.
// Empty when zlib fails.
QByteArray GzipBody(const QByteArray& body);

}  // namespace k4
