// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads back what a panel drew: the display grid rendered to an image, cell by cell.
#include "panel/displaycells.h"
#include "panel/mdichild.h"
#include "panel/panelparts.h"

#include <QColor>
#include <QImage>
#include <QRect>

namespace k4test {

inline QImage GrabDisplay(k4::TMDIChild& panel) {
    return panel.StringGrid1->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QImage GrabPanel(k4::TMDIChild& panel) {
    return panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// How the pixels of one area split between a background and a text colour.
struct PixelCount {
    int background = 0;
    int text = 0;
    int other = 0;
    QRect textBox;  // bounding box of the text-coloured pixels
};

inline PixelCount CountPixels(const QImage& image, const QRect& area, const QColor& background,
                              const QColor& text) {
    PixelCount count;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (p == background.rgb()) {
                ++count.background;
            } else if (p == text.rgb()) {
                ++count.text;
                count.textBox |= QRect(x, y, 1, 1);
            } else {
                ++count.other;
            }
        }
    }
    return count;
}

inline PixelCount CountCell(const QImage& display, int column, int row, const QColor& background,
                            const QColor& text) {
    return CountPixels(display, k4::CellRect(column, row), background, text);
}

}  // namespace k4test
