// SPDX-License-Identifier: GPL-3.0-or-later
// The display's content and drawing rules, without a window.
#include "panel/displaycells.h"

#include <QTest>

#include <cstring>

using namespace k4;

Q_DECLARE_METATYPE(std::uint8_t)

namespace {

DisplayCells FromText(const char* text48) {
    DisplayCells cells{};
    std::memcpy(cells.data(), text48, cells.size());
    return cells;
}

}  // namespace

class TestDisplayCells : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cellGeometry_data();
    void cellGeometry();
    void cellsTileTheGridWithOneLineBetween();
    void colours_data();
    void colours();
    void lookOfCell_data();
    void lookOfCell();
    void glyphOrigin_data();
    void glyphOrigin();
    void commErrorReplacesAnyDisplay_data();
    void commErrorReplacesAnyDisplay();
    void writeCellsAppliesMask_data();
    void writeCellsAppliesMask();
};

void TestDisplayCells::cellGeometry_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("first") << 0 << 0 << 0 << QRect(0, 0, 11, 22);
    QTest::newRow("second column") << 1 << 0 << 1 << QRect(12, 0, 11, 22);
    QTest::newRow("end of top row") << 23 << 0 << 23 << QRect(276, 0, 11, 22);
    QTest::newRow("start of bottom row") << 0 << 1 << 24 << QRect(0, 23, 11, 22);
    QTest::newRow("last") << 23 << 1 << 47 << QRect(276, 23, 11, 22);
}

void TestDisplayCells::cellGeometry() {
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(int, index);
    QFETCH(QRect, rect);
    QCOMPARE(CellIndex(column, row), index);
    QCOMPARE(CellRect(column, row), rect);
}

void TestDisplayCells::cellsTileTheGridWithOneLineBetween() {
    // Every pixel of the 293 x 49 grid belongs to at most one cell, and every pixel between two
    // neighbouring cells is a line pixel (in no cell).
    const QRect grid(0, 0, 293, 49);
    int cellPixels = 0;
    for (int y = 0; y < grid.height(); ++y) {
        for (int x = 0; x < grid.width(); ++x) {
            int owners = 0;
            for (int r = 0; r < kDisplayRows; ++r) {
                for (int c = 0; c < kDisplayColumns; ++c) {
                    owners += CellRect(c, r).contains(x, y) ? 1 : 0;
                }
            }
            QVERIFY2(owners <= 1, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            cellPixels += owners;
        }
    }
    QCOMPARE(cellPixels, 48 * 11 * 22);
    for (int c = 0; c + 1 < kDisplayColumns; ++c) {
        QCOMPARE(CellRect(c + 1, 0).left() - CellRect(c, 0).right(), 2);  // one line pixel
    }
    QCOMPARE(CellRect(0, 1).top() - CellRect(0, 0).bottom(), 2);
}

void TestDisplayCells::colours_data() {
    QTest::addColumn<quint32>("bgr");
    QTest::addColumn<QColor>("color");
    QTest::newRow("red is the low byte") << quint32(0x0000FF) << QColor(255, 0, 0);
    QTest::newRow("lime") << quint32(0x00FF00) << QColor(0, 255, 0);
    QTest::newRow("blue is the third byte") << quint32(0xFF0000) << QColor(0, 0, 255);
    QTest::newRow("black") << quint32(0) << QColor(0, 0, 0);
    QTest::newRow("mixed") << quint32(0x123456) << QColor(0x56, 0x34, 0x12);
}

void TestDisplayCells::colours() {
    QFETCH(quint32, bgr);
    QFETCH(QColor, color);
    QCOMPARE(ColorFromBgr(bgr), color);
    QCOMPARE(BgrFromColor(color), bgr);
}

void TestDisplayCells::lookOfCell_data() {
    QTest::addColumn<std::uint8_t>("cell");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("glyph");
    const QColor red(255, 0, 0);
    const QColor back(0x11, 0x22, 0x33);
    QTest::newRow("A highlighted") << std::uint8_t(0xC1) << red << 0x41 << true;
    QTest::newRow("A plain") << std::uint8_t(0x41) << back << 0x41 << true;
    QTest::newRow("highlighted space") << std::uint8_t(0xA0) << red << 0x20 << true;
    QTest::newRow("NUL is blank") << std::uint8_t(0x00) << back << 0 << false;
    QTest::newRow("highlighted NUL") << std::uint8_t(0x80) << red << 0 << false;
    QTest::newRow("code 127 highlighted") << std::uint8_t(0xFF) << red << 0x7F << true;
    QTest::newRow("control code") << std::uint8_t(0x01) << back << 0x01 << true;
}

void TestDisplayCells::lookOfCell() {
    QFETCH(std::uint8_t, cell);
    QFETCH(QColor, background);
    QFETCH(int, code);
    QFETCH(bool, glyph);
    const CellLook look = LookOfCell(cell, QColor(0, 255, 0), QColor(0x11, 0x22, 0x33));
    QCOMPARE(look.background, background);
    QCOMPARE(look.text, QColor(0, 255, 0));  // LCDColor on every background
    QCOMPARE(int(look.code), code);
    QCOMPARE(look.drawsGlyph, glyph);
}

void TestDisplayCells::glyphOrigin_data() {
    QTest::addColumn<QRect>("cell");
    QTest::addColumn<QSize>("text");
    QTest::addColumn<QPoint>("origin");
    const QRect first(0, 0, 11, 22);
    QTest::newRow("10x20 bitmap") << first << QSize(10, 20) << QPoint(0, 1);
    QTest::newRow("narrow") << first << QSize(7, 14) << QPoint(2, 4);
    QTest::newRow("one too wide truncates toward zero") << first << QSize(12, 19) << QPoint(0, 1);
    QTest::newRow("three too wide") << first << QSize(14, 25) << QPoint(-1, -1);
    QTest::newRow("last cell") << QRect(276, 23, 11, 22) << QSize(10, 20) << QPoint(276, 24);
    QTest::newRow("exact fit") << QRect(12, 0, 11, 22) << QSize(11, 22) << QPoint(12, 0);
}

void TestDisplayCells::glyphOrigin() {
    QFETCH(QRect, cell);
    QFETCH(QSize, text);
    QFETCH(QPoint, origin);
    QCOMPARE(GlyphOrigin(cell, text.width(), text.height()), origin);
}

void TestDisplayCells::commErrorReplacesAnyDisplay_data() {
    QTest::addColumn<int>("before");
    QTest::newRow("blank display") << 0x00;
    QTest::newRow("display of X") << int('X');
    QTest::newRow("all highlighted") << 0xFF;
    QTest::newRow("highlighted spaces") << 0xA0;
}

void TestDisplayCells::commErrorReplacesAnyDisplay() {
    QFETCH(int, before);
    QCOMPARE(int(std::strlen(kCommErrorText)), 61);
    DisplayCells buffer{};
    buffer.fill(static_cast<std::uint8_t>(before));
    WriteCommError(buffer);
    const DisplayCells text = FromText(
        "      COMMUNICATION     "
        "         ERROR          ");
    for (int i = 0; i < kDisplayCells; ++i) {
        const std::uint8_t expected =
            text[i] == ' ' ? std::uint8_t(' ') : static_cast<std::uint8_t>(text[i] | 0x80);
        QVERIFY2(
            buffer[i] == expected,
            qPrintable(
                QStringLiteral("cell %1 holds %2").arg(i).arg(buffer[i], 2, 16, QLatin1Char('0'))));
    }
    // The letters sit where the operator expects them.
    QCOMPARE(buffer[CellIndex(6, 0)], std::uint8_t('C' | 0x80));
    QCOMPARE(buffer[CellIndex(18, 0)], std::uint8_t('N' | 0x80));
    QCOMPARE(buffer[CellIndex(9, 1)], std::uint8_t('E' | 0x80));
    QCOMPARE(buffer[CellIndex(13, 1)], std::uint8_t('R' | 0x80));
}

void TestDisplayCells::writeCellsAppliesMask_data() {
    QTest::addColumn<std::uint8_t>("mask");
    QTest::newRow("plain") << std::uint8_t(0);
    QTest::newRow("attention phase") << std::uint8_t(0x80);
}

void TestDisplayCells::writeCellsAppliesMask() {
    QFETCH(std::uint8_t, mask);
    DisplayCells reply{};
    for (int i = 0; i < kDisplayCells; ++i) {
        reply[i] = static_cast<std::uint8_t>(i * 5 + (i % 3 == 0 ? 0x80 : 0));
    }
    DisplayCells buffer{};
    buffer.fill(0x55);
    WriteCells(buffer, reply, mask);
    for (int i = 0; i < kDisplayCells; ++i) {
        QCOMPARE(buffer[i], static_cast<std::uint8_t>(reply[i] | mask));
    }
}

QTEST_APPLESS_MAIN(TestDisplayCells)
#include "tst_displaycells.moc"
