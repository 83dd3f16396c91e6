// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

#include <optional>

namespace k4 {

// Skin files are bitmaps (BMP) and nothing else: the format is never guessed from the content,
// so no other image decoder ever sees a skin file.
inline constexpr int kMaxSkinSide = 4096;

// Whether a bitmap of this size (from its header) may be decoded: both sides from 1 to
// kMaxSkinSide.
bool IsAcceptableSkinSize(const QSize& size);

// The picture of the skin file at path as a panel shows it: the file decoded as a BMP after its
// header's size was checked, cut to the top-left part of at most shown. Empty for a file that is
// no readable BMP of an acceptable size. Each file is decoded once for every panel that wears
// it: the picture is kept until the file changes (its size or modification time).
std::optional<QPixmap> SkinPictureOf(const QString& path, const QSize& shown);

}  // namespace k4
