// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Writes skin bitmaps for tests: one flat colour, so a panel's picture tells which file it came
// from.
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

namespace k4test {

// A skin the size of a panel's client area unless size says otherwise; false when it could not
// be written.
inline bool WriteSkinBitmap(const QString& path, const QColor& colour,
                            const QSize& size = QSize(291, 154)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path, "BMP");
}

}  // namespace k4test
