// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/displayfont.h"

#include "panel/displaycells.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>

namespace k4 {
namespace {

// The device font is the "Terminal" raster font at 14 points bold, whose glyphs are 10 x 18
// pixels: one pixel narrower than a cell, so letters never touch. Where it is missing (every
// Linux desktop), the closest match is the Terminus bitmap bold 10 x 20: the same width, a cell
// height that leaves a pixel above and below, and the same blocky LCD look. DejaVu Sans Mono
// bold, which fontconfig would pick instead, is 11.4 pixels wide at 14 points and so clips at
// both sides of every cell; it is only the last resort, shrunk until it fits.
// Only one size of Terminus is loaded: a second PCF size under the same family confuses the
// font database's size matching.
constexpr const char* kTerminusFiles[] = {
    "/usr/share/fonts/X11/misc/ter-u20b_iso-8859-1.pcf.gz",
    "/usr/share/fonts/X11/misc/ter-u20b_unicode.pcf.gz",
    "/usr/share/fonts/misc/ter-u20b.pcf.gz",
    "/usr/share/fonts/terminus/ter-u20b.pcf.gz",
    "/usr/local/share/fonts/misc/ter-u20b.pcf.gz",
};
constexpr int kTerminusPixelSize = 20;
constexpr int kDevicePointSize = 14;

// True when every printable 7-bit character fits a cell.
bool FitsCell(const QFont& font) {
    const QFontMetricsF metrics(font);
    if (metrics.height() > kCellHeight) {
        return false;
    }
    for (char16_t c = 0x21; c < 0x7F; ++c) {
        if (metrics.horizontalAdvance(QChar(c)) > kCellWidth) {
            return false;
        }
    }
    return true;
}

struct Choice {
    QFont font;
    QString source;
};

Choice Choose() {
    if (QFontDatabase::families().contains(QStringLiteral("Terminal"))) {
        QFont font(QStringLiteral("Terminal"), kDevicePointSize, QFont::Bold);
        return {font, QStringLiteral("Terminal")};
    }
    for (const char* path : kTerminusFiles) {
        const QString file = QString::fromLatin1(path);
        if (!QFile::exists(file)) {
            continue;
        }
        const int id = QFontDatabase::addApplicationFont(file);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (id < 0 || families.isEmpty()) {
            continue;
        }
        QFont font(families.first());
        font.setPixelSize(kTerminusPixelSize);
        font.setBold(true);
        if (FitsCell(font)) {
            return {font, file};
        }
    }
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    // 19 pixels is 14 points at 96 dots per inch.
    for (int pixels = 19; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (FitsCell(font)) {
            break;
        }
    }
    return {font, font.family()};
}

const Choice& Chosen() {
    static const Choice choice = Choose();
    return choice;
}

}  // namespace

const QFont& DisplayFont() {
    return Chosen().font;
}
const QString& DisplayFontSource() {
    return Chosen().source;
}

}  // namespace k4
