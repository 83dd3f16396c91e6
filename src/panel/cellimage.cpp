// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/cellimage.h"

#include "panel/displaycells.h"
#include "panel/displayfont.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>

namespace k4 {

namespace {

struct CellKey {
    char16_t code = 0;
    bool drawsGlyph = false;
    QRgb text = 0;
    QRgb background = 0;
    QSize size;
    bool operator==(const CellKey&) const = default;
};

size_t qHash(const CellKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.code, key.drawsGlyph, key.text, key.background, key.size.width(),
                      key.size.height());
}

// A display has two colour pairs at a time and 128 codes; a few panels of other colours fit too.
constexpr qsizetype kMaxKept = 2048;

QImage Render(const QSize& cellSize, const CellLook& look) {
    QImage image(cellSize, QImage::Format_RGB32);
    image.fill(look.background);
    if (look.drawsGlyph) {
        QPainter painter(&image);
        painter.setFont(DisplayFont());
        painter.setPen(look.text);
        const QFontMetrics metrics = painter.fontMetrics();
        const QString text(QChar(look.code));
        const QPoint origin = GlyphOrigin(QRect(QPoint(0, 0), cellSize),
                                          metrics.horizontalAdvance(text), metrics.height());
        painter.drawText(origin.x(), origin.y() + metrics.ascent(), text);
    }
    return image;
}

}  // namespace

QImage DisplayCellImage(const QSize& cellSize, const CellLook& look) {
    static QHash<CellKey, QImage> kept;
    const CellKey key{look.code, look.drawsGlyph, look.text.rgba(), look.background.rgba(),
                      cellSize};
    const auto found = kept.constFind(key);
    if (found != kept.constEnd()) {
        return found.value();
    }
    if (kept.size() >= kMaxKept) {
        kept.clear();
    }
    QImage image = Render(cellSize, look);
    kept.insert(key, image);
    return image;
}

}  // namespace k4
