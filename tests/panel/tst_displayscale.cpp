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
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
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
        const QImage two = DrawnAt(panel, 2.0);
        QCOMPARE(two.size(), one.size() * 2);
        // Not blank: the comparison below would hold for an empty display too.
        const QRect w = CellRect(0, 0);
        int lit = 0;
        for (int y = w.top(); y <= w.bottom(); ++y) {
            for (int x = w.left(); x <= w.right(); ++x) {
                lit += one.pixel(x, y) == qRgb(0, 255, 0) ? 1 : 0;
            }
        }
        QVERIFY(lit > 10);
        // Each pixel at ratio 1 is a 2 x 2 block at ratio 2: the same glyphs, twice the size,
        // in the same place, with no blur at their edges.
        for (int y = 0; y < one.height(); ++y) {
            for (int x = 0; x < one.width(); ++x) {
                const QRgb expected = one.pixel(x, y);
                for (int d = 0; d < 4; ++d) {
                    const QRgb got = two.pixel(2 * x + d % 2, 2 * y + d / 2);
                    if (got != expected) {
                        QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 at ratio 2, %4 at 1")
                                             .arg(x)
                                             .arg(y)
                                             .arg(got, 8, 16)
                                             .arg(expected, 8, 16)));
                    }
                }
            }
        }
    }
};

QTEST_MAIN(TestDisplayScale)
#include "tst_displayscale.moc"
