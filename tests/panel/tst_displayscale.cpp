// SPDX-License-Identifier: GPL-3.0-or-later
// The display on a screen of a higher pixel ratio: every cell, glyph included, is the cell of a
// 96-dpi screen enlarged, so the text keeps its size and its place in the cell.
#include "panel/displaycells.h"
#include "panel/mdichild.h"
#include "panel/panelparts.h"

#include <QPixmap>
#include <QTest>

#include <cstring>

using namespace k4;

namespace {

// The display grid drawn at a pixel ratio, as a screen of that ratio shows it.
QImage DrawnAt(TMDIChild& panel, qreal ratio) {
    const QSize logical = panel.StringGrid1->size();
    QPixmap pixmap((QSizeF(logical) * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    panel.StringGrid1->render(&pixmap);
    QImage pixels = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    pixels.setDevicePixelRatio(1.0);  // compared as the screen's own pixels
    return pixels;
}

}  // namespace

class TestDisplayScale : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void glyphsScaleWithTheirCellsAtRatioTwo() {
        TMDIChild panel;
        panel.LCDColor = 0x00FF00;
        panel.LCDBackColor = 0x000000;
        const char text[] = "Wg|@ KVT 1.5x 2x Mi_Q#8  ABCDEFGHIJKLMNOPQRSTUVWXabcdefghij";
        std::memcpy(panel.LCDBuffer.data(), text, panel.LCDBuffer.size());
        panel.LCDBuffer[3] |= kHighlightBit;
        panel.LCDBuffer[30] |= kHighlightBit;

        const QImage one = DrawnAt(panel, 1.0);
        // A glyph is drawn: the comparison below would hold for an empty display too.
        QImage blank(CellRect(0, 0).size(), QImage::Format_RGB32);
        blank.fill(Qt::black);
        QVERIFY(one.copy(CellRect(0, 0)) != blank);
        // Each pixel at ratio 1 is a 2 x 2 block at ratio 2: the same glyphs, twice the size, in
        // the same place, with no blur at their edges.
        QCOMPARE(DrawnAt(panel, 2.0),
                 one.scaled(one.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));

        // The grid as its own screen shows it: the suite runs this test again on a screen of
        // ratio 2 (QT_SCALE_FACTOR=2), where the widget itself reports that ratio.
        const qreal screen = panel.StringGrid1->devicePixelRatioF();
        QCOMPARE(screen, qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble());
        QImage shown = panel.StringGrid1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        shown.setDevicePixelRatio(1.0);
        QCOMPARE(shown, one.scaled((QSizeF(one.size()) * screen).toSize(), Qt::IgnoreAspectRatio,
                                   Qt::FastTransformation));
    }
};

QTEST_MAIN(TestDisplayScale)
#include "tst_displayscale.moc"
