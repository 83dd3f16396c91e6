// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/skinpicture.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>

namespace k4 {

namespace {

struct CachedPicture {
    qint64 fileSize = -1;
    QDateTime modified;
    QSize shown;
    std::optional<QPixmap> picture;
};

// Skin pictures by file path, for the GUI thread (pixmaps live there only).
QHash<QString, CachedPicture>& Cache() {
    static QHash<QString, CachedPicture> cache;
    return cache;
}

std::optional<QPixmap> Decode(const QString& path, const QSize& shown) {
    QImageReader reader(path, "bmp");
    reader.setDecideFormatFromContent(false);
    // The header tells the size before any pixel is decoded.
    if (!reader.canRead() || !IsAcceptableSkinSize(reader.size())) {
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    // Only the part the panel shows is kept; the rest lies outside every panel.
    const QRect kept = QRect(QPoint(0, 0), shown).intersected(image.rect());
    if (kept != image.rect()) {
        image = image.copy(kept);
    }
    return QPixmap::fromImage(std::move(image));
}

}  // namespace

bool IsAcceptableSkinSize(const QSize& size) {
    return size.width() >= 1 && size.height() >= 1 && size.width() <= kMaxSkinSide &&
           size.height() <= kMaxSkinSide;
}

std::optional<QPixmap> SkinPictureOf(const QString& path, const QSize& shown) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        Cache().remove(path);
        return std::nullopt;
    }
    const qint64 size = info.size();
    const QDateTime modified = info.lastModified();
    auto found = Cache().find(path);
    if (found != Cache().end() && found->fileSize == size && found->modified == modified &&
        found->shown == shown) {
        return found->picture;
    }
    CachedPicture entry{size, modified, shown, Decode(path, shown)};
    std::optional<QPixmap> picture = entry.picture;
    Cache().insert(path, std::move(entry));
    return picture;
}

}  // namespace k4
