// SPDX-License-Identifier: GPL-3.0-or-later
// render_panel [folder]: draws a panel window with a sample display, one with highlighted cells
// and one showing the communication-error text, and writes them as PNG files into folder
// (./shots by default). Run it with QT_QPA_PLATFORM=offscreen on a machine without a desktop.
#include "panel/displaycells.h"
#include "panel/displayfont.h"
#include "panel/mdichild.h"
#include "panel/panelparts.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTextStream>

#include <cstdio>

namespace {

k4::DisplayCells TextCells(const char* top, const char* bottom) {
    k4::DisplayCells cells{};
    cells.fill(' ');
    for (int i = 0; i < k4::kDisplayColumns && top[i]; ++i) {
        cells[i] = static_cast<std::uint8_t>(top[i]);
    }
    for (int i = 0; i < k4::kDisplayColumns && bottom[i]; ++i) {
        cells[k4::kDisplayColumns + i] = static_cast<std::uint8_t>(bottom[i]);
    }
    return cells;
}

bool Save(const QImage& image, const QDir& folder, const QString& name, int zoom = 1) {
    const QString path = folder.filePath(name);
    const QImage out = zoom == 1 ? image : image.scaled(image.size() * zoom);
    if (!out.save(path)) {
        std::fprintf(stderr, "render_panel: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folderName = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("shots");
    QDir folder(folderName);
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "render_panel: cannot create %s\n", qPrintable(folderName));
        return 1;
    }

    QMdiArea area;
    area.resize(420, 260);
    area.show();
    k4::TMDIChild* panel = k4::TMDIChild::Create(&area);
    panel->setCaption(QStringLiteral("ID=5 Encoder A"));
    panel->DevAddress = 5;
    panel->LCDColor = 0x00FF00;  // lime, the colours of a new device
    panel->LCDBackColor = 0x000000;
    app.processEvents();

    bool ok = true;
    // A sample display; the word "ON" and one space are highlighted.
    k4::DisplayCells cells = TextCells("CH1 MPEG-2  4:2:0  ON  ", "Bitrate 15.0 Mbit/s WqMg");
    for (int c : {19, 20, 21}) {
        cells[c] |= k4::kHighlightBit;
    }
    panel->writeCells(cells, 0);
    ok &= Save(panel->subWindow()->grab().toImage(), folder, QStringLiteral("panel-window.png"));
    ok &= Save(panel->StringGrid1->grab().toImage(), folder, QStringLiteral("panel-display-x4.png"),
               4);

    // The first reply of an attention phase: every cell highlighted.
    panel->writeCells(cells, k4::kHighlightBit);
    ok &= Save(panel->grab().toImage(), folder, QStringLiteral("panel-attention.png"));

    panel->ShowCommError();
    ok &= Save(panel->grab().toImage(), folder, QStringLiteral("panel-commerror.png"));
    ok &= Save(panel->StringGrid1->grab().toImage(), folder,
               QStringLiteral("panel-commerror-x4.png"), 4);

    std::printf("display font: %s (%s)\n", qPrintable(k4::DisplayFont().family()),
                qPrintable(k4::DisplayFontSource()));
    return ok ? 0 : 1;
}
