// SPDX-License-Identifier: GPL-3.0-or-later
// What the panel's display shows, read back from its pixels, and how the link's effects reach it.
#include "panel/displaycells.h"
#include "panel/displayfont.h"
#include "panel/mdichild.h"
#include "panel/panelparts.h"
#include "panelpixels.h"
#include "state/appstate.h"
#include "link/linkpump.h"
#include "testframe.h"

#include <QFontMetricsF>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPointer>
#include <QTest>

#include <cstring>

using namespace k4;
using k4test::CountCell;
using k4test::GrabDisplay;

Q_DECLARE_METATYPE(std::uint8_t)

namespace {

const QColor kRed(255, 0, 0);
const QColor kLime(0, 255, 0);
const QColor kBlack(0, 0, 0);

DisplayCells Spaces() {
    DisplayCells cells{};
    cells.fill(' ');
    return cells;
}

// Counts paint events of one widget.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

}  // namespace

class TestPanelDisplay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void freshDisplayIsBlank();
    void cellLooks_data();
    void cellLooks();
    void sameGlyphOnEitherBackground();
    void glyphIsCentredInItsCell_data();
    void glyphIsCentredInItsCell();
    void fontFitsEveryCharacterInACell();
    void linesBetweenCellsAreBlack();
    void commErrorAfterAnyDisplay();
    void linkUpdatesApplyInOrder();
    void updatesForAClosedPanelAreDropped();
    void showPanelBringsItToTheFront();
    void repaintPanelRepaintsTheDisplay();

private:
    TMDIChild* newPanel(std::uint32_t lcd = 0x00FF00, std::uint32_t back = 0x000000) {
        TMDIChild* p = TMDIChild::Create(frame_.mdiArea());
        p->LCDColor = lcd;
        p->LCDBackColor = back;
        return p;
    }
    k4test::TestFrame frame_;
};

void TestPanelDisplay::initTestCase() {
    frame_.area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame_.area));
}

void TestPanelDisplay::cleanup() {
    for (QMdiSubWindow* sub : frame_.mdiArea()->subWindowList()) {
        if (auto* panel = qobject_cast<TMDIChild*>(sub->widget())) {
            panel->closePanel();
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestPanelDisplay::freshDisplayIsBlank() {
    // Until the first reply the 48 cells hold code 0: plain background, nothing drawn.
    TMDIChild* panel = newPanel(0x00FF00, 0x332211);
    const QImage display = GrabDisplay(*panel);
    const QColor back(0x11, 0x22, 0x33);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 24; ++column) {
            QCOMPARE(CountCell(display, column, row, back, kLime).background, 11 * 22);
        }
    }
}

void TestPanelDisplay::cellLooks_data() {
    QTest::addColumn<std::uint8_t>("cell");
    QTest::addColumn<quint32>("lcdColor");
    QTest::addColumn<quint32>("lcdBackColor");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<bool>("glyph");
    // The default colours of a new device: lime on black, highlighted lime on red.
    QTest::newRow("A highlighted, defaults")
        << std::uint8_t(0xC1) << quint32(0x00FF00) << quint32(0) << kRed << kLime << true;
    QTest::newRow("A plain, defaults")
        << std::uint8_t(0x41) << quint32(0x00FF00) << quint32(0) << kBlack << kLime << true;
    QTest::newRow("highlighted space")
        << std::uint8_t(0xA0) << quint32(0x00FF00) << quint32(0) << kRed << kLime << false;
    QTest::newRow("plain space") << std::uint8_t(0x20) << quint32(0x00FF00) << quint32(0) << kBlack
                                 << kLime << false;
    // Colours are 0x00BBGGRR: 0xFF0000 is blue, 0x0000FF red.
    QTest::newRow("colour bytes, plain")
        << std::uint8_t('Z') << quint32(0x00FFFF) << quint32(0xFF0000) << QColor(0, 0, 255)
        << QColor(255, 255, 0) << true;
    QTest::newRow("colour bytes, highlighted")
        << std::uint8_t('Z' | 0x80) << quint32(0x00FFFF) << quint32(0xFF0000) << kRed
        << QColor(255, 255, 0) << true;
    QTest::newRow("red text on red")
        << std::uint8_t(0xC1) << quint32(0x0000FF) << quint32(0) << kRed << kRed << false;
}

void TestPanelDisplay::cellLooks() {
    QFETCH(std::uint8_t, cell);
    QFETCH(quint32, lcdColor);
    QFETCH(quint32, lcdBackColor);
    QFETCH(QColor, background);
    QFETCH(QColor, text);
    QFETCH(bool, glyph);
    TMDIChild* panel = newPanel(lcdColor, lcdBackColor);
    const QColor plainBack = ColorFromBgr(lcdBackColor);
    // The same cell at both ends of both rows and in the middle; spaces around it.
    const QPoint places[] = {{0, 0}, {23, 0}, {0, 1}, {23, 1}, {11, 1}};
    for (const QPoint& at : places) {
        DisplayCells cells = Spaces();
        cells[CellIndex(at.x(), at.y())] = cell;
        panel->writeCells(cells, 0);
        const QImage display = GrabDisplay(*panel);
        const auto count = CountCell(display, at.x(), at.y(), background, text);
        const QString where = QStringLiteral("cell %1,%2").arg(at.x()).arg(at.y());
        QVERIFY2(count.background > 11 * 22 / 2, qPrintable(where));
        if (glyph) {
            QVERIFY2(count.text >= 12, qPrintable(where));  // "A" and "Z" are more than a dot
        } else {
            QVERIFY2(count.background == 11 * 22, qPrintable(where));
        }
        // Nothing spills into the neighbours.
        const int neighbour = at.x() == 0 ? 1 : at.x() - 1;
        QCOMPARE(CountCell(display, neighbour, at.y(), plainBack, text).background, 11 * 22);
    }
}

void TestPanelDisplay::sameGlyphOnEitherBackground() {
    TMDIChild* panel = newPanel();
    DisplayCells cells = Spaces();
    cells[0] = 0x41;
    cells[1] = 0xC1;
    panel->writeCells(cells, 0);
    const QImage display = GrabDisplay(*panel);
    int textPixels = 0;
    for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 11; ++x) {
            const bool plain = display.pixel(x, y) == kLime.rgb();
            const bool highlighted = display.pixel(12 + x, y) == kLime.rgb();
            QCOMPARE(highlighted, plain);
            textPixels += plain ? 1 : 0;
        }
    }
    QVERIFY(textPixels > 0);
}

void TestPanelDisplay::glyphIsCentredInItsCell_data() {
    QTest::addColumn<char>("ch");
    for (char ch : {'A', 'W', 'M', '@', 'g', 'i', '|', '_'}) {
        QTest::newRow(QByteArray(1, ch).constData()) << ch;
    }
}

// The glyph alone in a cell-sized image, its text box (advance x font height) placed at origin.
static QImage GlyphInCell(char ch, QPoint origin) {
    QImage image(CellRect(0, 0).size(), QImage::Format_RGB32);
    image.fill(kBlack);
    QPainter painter(&image);
    painter.setFont(DisplayFont());
    painter.setPen(kLime);
    painter.drawText(origin.x(), origin.y() + painter.fontMetrics().ascent(),
                     QString(QLatin1Char{ch}));
    return image;
}

// Pixel for pixel, the cell holds the glyph with its text box centred; the same glyph drawn at
// the cell's corner looks different, so a drawing that ignores the centring fails.
void TestPanelDisplay::glyphIsCentredInItsCell() {
    QFETCH(char, ch);
    TMDIChild* panel = newPanel();
    DisplayCells cells = Spaces();
    cells[CellIndex(5, 1)] = static_cast<std::uint8_t>(ch);
    panel->writeCells(cells, 0);
    const QImage drawn = GrabDisplay(*panel).copy(CellRect(5, 1));

    const QFontMetrics metrics(DisplayFont());
    const QString text(QLatin1Char{ch});
    const QRect cell(QPoint(0, 0), CellRect(5, 1).size());
    const QImage centred =
        GlyphInCell(ch, GlyphOrigin(cell, metrics.horizontalAdvance(text), metrics.height()));
    QVERIFY(GlyphInCell(ch, QPoint(0, 0)) != centred);
    QCOMPARE(drawn, centred);
}

void TestPanelDisplay::fontFitsEveryCharacterInACell() {
    const QFont& font = DisplayFont();
    qInfo("display font: %s, %d px (%s)", qPrintable(QFontInfo(font).family()),
          QFontInfo(font).pixelSize(), qPrintable(DisplayFontSource()));
    QVERIFY(QFontInfo(font).bold());
    QVERIFY(QFontInfo(font).fixedPitch());
    const QFontMetricsF metrics(font);
    QVERIFY(metrics.height() <= 22);
    for (char16_t c = 0x21; c < 0x7F; ++c) {
        QVERIFY2(metrics.horizontalAdvance(QChar(c)) <= 11.0,
                 qPrintable(QStringLiteral("'%1' is %2 wide")
                                .arg(QChar(c))
                                .arg(metrics.horizontalAdvance(QChar(c)))));
    }
}

void TestPanelDisplay::linesBetweenCellsAreBlack() {
    TMDIChild* panel = newPanel(0x00FF00, 0x332211);
    const QImage display = GrabDisplay(*panel);
    QCOMPARE(display.size(), QSize(293, 49));
    for (int column = 0; column < 23; ++column) {
        const int x = CellRect(column, 0).right() + 1;
        for (int y : {0, 10, 21, 23, 44}) {
            QCOMPARE(display.pixel(x, y), kBlack.rgb());
        }
    }
    for (int x : {0, 100, 286}) {
        QCOMPARE(display.pixel(x, 22), kBlack.rgb());
    }
}

// The error text itself is the display cells' business; here it reaches the screen, over a
// highlighted display.
void TestPanelDisplay::commErrorAfterAnyDisplay() {
    TMDIChild* panel = newPanel(0x00FF00, 0x332211);
    DisplayCells before{};
    before.fill('#');
    panel->writeCells(before, 0x80);
    panel->ShowCommError();

    const QImage display = GrabDisplay(*panel);
    const QColor back(0x11, 0x22, 0x33);
    struct Probe {
        int column, row;
        bool letter;
    };
    for (const Probe& p :
         {Probe{0, 0, false}, Probe{5, 0, false}, Probe{6, 0, true}, Probe{12, 0, true},
          Probe{18, 0, true}, Probe{19, 0, false}, Probe{23, 0, false}, Probe{8, 1, false},
          Probe{9, 1, true}, Probe{13, 1, true}, Probe{14, 1, false}, Probe{23, 1, false}}) {
        const QString where = QStringLiteral("cell %1,%2").arg(p.column).arg(p.row);
        if (p.letter) {
            const auto count = CountCell(display, p.column, p.row, kRed, kLime);
            QVERIFY2(count.text >= 12 && count.background + count.text + count.other == 11 * 22 &&
                         count.background > count.text,
                     qPrintable(where));
        } else {
            QVERIFY2(CountCell(display, p.column, p.row, back, kLime).background == 11 * 22,
                     qPrintable(where));
        }
    }
}

void TestPanelDisplay::linkUpdatesApplyInOrder() {
    TMDIChild* panel = newPanel();
    LinkPump pump(App().Updates, App().Views);
    DisplayCells first{};
    first.fill('1');
    DisplayCells second{};
    second.fill('2');

    App().Updates.writeCells(panel->handle(), first, 0);
    App().Updates.showCommError(panel->handle());
    App().Updates.writeCells(panel->handle(), second, 0x80);
    App().Updates.repaintPanel(panel->handle());
    QTRY_COMPARE(App().Updates.pending(), std::size_t(0));  // the pump's wake-up delivered them
    for (std::uint8_t cell : panel->LCDBuffer) {
        QCOMPARE(cell, std::uint8_t('2' | 0x80));
    }

    App().Updates.writeCells(panel->handle(), first, 0);
    App().Updates.showCommError(panel->handle());
    pump.deliverNow();
    QCOMPARE(panel->LCDBuffer[CellIndex(6, 0)], std::uint8_t('C' | 0x80));
    QCOMPARE(panel->LCDBuffer[0], std::uint8_t(' '));
}

void TestPanelDisplay::updatesForAClosedPanelAreDropped() {
    QPointer<TMDIChild> gone = newPanel();
    TMDIChild* stays = newPanel();
    const PanelHandle goneHandle = gone->handle();
    LinkPump pump(App().Updates, App().Views);
    DisplayCells cells{};
    cells.fill('K');

    App().Updates.writeCells(goneHandle, cells, 0);
    App().Updates.showPanel(goneHandle);
    App().Updates.writeCells(stays->handle(), cells, 0);
    gone->closePanel();  // closed while its updates are in flight
    pump.deliverNow();
    QCOMPARE(stays->LCDBuffer[47], std::uint8_t('K'));
    QVERIFY(App().Views.panel(goneHandle) == nullptr);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(gone.isNull());
    // Late effects for the freed panel go nowhere.
    App().Updates.writeCells(goneHandle, cells, 0x80);
    App().Updates.showCommError(goneHandle);
    App().Updates.repaintPanel(goneHandle);
    App().Updates.showPanel(goneHandle);
    pump.deliverNow();
    QCOMPARE(App().Updates.pending(), std::size_t(0));
    QCOMPARE(stays->LCDBuffer[0], std::uint8_t('K'));
}

void TestPanelDisplay::showPanelBringsItToTheFront() {
    TMDIChild* below = newPanel();
    TMDIChild* above = newPanel();
    QMdiArea* area = frame_.mdiArea();
    QCOMPARE(area->subWindowList(QMdiArea::StackingOrder).last(), above->subWindow());
    below->subWindow()->hide();
    App().Views.showPanel(below->handle());
    QVERIFY(below->subWindow()->isVisible());
    QCOMPARE(area->subWindowList(QMdiArea::StackingOrder).last(), below->subWindow());
    // Raising an already visible panel works the same way.
    App().Views.showPanel(above->handle());
    QCOMPARE(area->subWindowList(QMdiArea::StackingOrder).last(), above->subWindow());
}

// Paints pending from the panel's making are delivered until none comes any more; then nothing
// paints the display until the repaint asks for it.
void TestPanelDisplay::repaintPanelRepaintsTheDisplay() {
    TMDIChild* panel = newPanel();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    PaintCounter counter(panel->StringGrid1);
    const auto deliverPaints = [&counter] {
        const int before = counter.paints;
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        return counter.paints - before;
    };
    for (int round = 0; deliverPaints() > 0; ++round) {
        QVERIFY2(round < 20, "the display never stops painting");
    }
    App().Views.repaintPanel(panel->handle());
    QVERIFY(deliverPaints() > 0);
}

QTEST_MAIN(TestPanelDisplay)
#include "tst_paneldisplay.moc"
