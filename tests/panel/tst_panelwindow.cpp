// SPDX-License-Identifier: GPL-3.0-or-later
// The panel window as a window: its frame, layout, stacking, closing and registration.
#include "deferreddeletes.h"
#include "panel/mdichild.h"
#include "panel/panelparts.h"
#include "panelpixels.h"
#include "state/appstate.h"
#include "testframe.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace k4;
using k4test::FlushDeletes;

namespace {}  // namespace

class TestPanelWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void createdVisibleWithStartValues();
    void clientSizeIsFixed();
    void titleBarOffersMinimiseOnly();
    void refusesEveryCloseButClosePanel_data();
    void refusesEveryCloseButClosePanel();
    void closePanelFreesIt();
    void controlGeometry_data();
    void controlGeometry();
    void keyCaptions_data();
    void keyCaptions();
    void labels_data();
    void labels();
    void windowFontAndBackground();
    void displayTakesNoInput();
    void ledIsAFilledCircle();
    void tabOrderFollowsButtonNumber();
    void skinCoversLabelsAndLedButNotDisplayOrKeys();
    void contextMenu();
    void registeredUnderItsOwnHandle();

private:
    TMDIChild* newPanel() { return TMDIChild::Create(frame_.mdiArea()); }
    k4test::TestFrame frame_;
};

// Shown for every test, so what a test sees does not depend on which ran before it.
void TestPanelWindow::initTestCase() {
    frame_.area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame_.area));
}

void TestPanelWindow::cleanup() {
    for (QMdiSubWindow* sub : frame_.mdiArea()->subWindowList()) {
        if (auto* panel = qobject_cast<TMDIChild*>(sub->widget())) {
            panel->closePanel();
        }
    }
    FlushDeletes();
    QVERIFY(frame_.mdiArea()->subWindowList().isEmpty());
}

void TestPanelWindow::createdVisibleWithStartValues() {
    TMDIChild* panel = newPanel();
    QVERIFY(panel->subWindow() != nullptr);
    QCOMPARE(panel->subWindow()->widget(), panel);
    QVERIFY(frame_.mdiArea()->subWindowList().contains(panel->subWindow()));
    QVERIFY(panel->subWindow()->isVisible());
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->caption(), QStringLiteral("ID=? New transcoder"));
    QCOMPARE(panel->subWindow()->windowTitle(), QStringLiteral("ID=? New transcoder"));
    QVERIFY(panel->Skin->pixmap().isNull());
    QVERIFY(panel->subWindow()->testAttribute(Qt::WA_DeleteOnClose));
}

void TestPanelWindow::clientSizeIsFixed() {
    TMDIChild* panel = newPanel();
    QMdiSubWindow* sub = panel->subWindow();
    QCOMPARE(panel->size(), QSize(291, 154));
    QCOMPARE(panel->minimumSize(), QSize(291, 154));
    QCOMPARE(panel->maximumSize(), QSize(291, 154));
    // The frame fits the client exactly: the client fills it below the title bar.
    const QSize frameSize = sub->size();
    const QMargins m = sub->contentsMargins();
    QCOMPARE(frameSize, QSize(291 + m.left() + m.right(), 154 + m.top() + m.bottom()));
    QVERIFY(sub->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));  // no resize drag
    for (const QSize& attempt : {QSize(600, 400), QSize(100, 60)}) {
        sub->resize(attempt);
        QCoreApplication::processEvents();
        QCOMPARE(sub->size(), frameSize);
        QCOMPARE(panel->size(), QSize(291, 154));
    }
    // Tiling and cascading move the panel but keep its size.
    TMDIChild* other = newPanel();
    frame_.mdiArea()->tileSubWindows();
    QCOMPARE(sub->size(), frameSize);
    QCOMPARE(other->subWindow()->size(), frameSize);
    frame_.mdiArea()->cascadeSubWindows();
    QCOMPARE(sub->size(), frameSize);
}

void TestPanelWindow::titleBarOffersMinimiseOnly() {
    TMDIChild* panel = newPanel();
    const Qt::WindowFlags flags = panel->subWindow()->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    // The styles draw a close box for a system menu.
    QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(panel->subWindow()->systemMenu() == nullptr);
    // Minimising keeps the title bar as it is.
    panel->subWindow()->showMinimized();
    QCoreApplication::processEvents();
    QVERIFY(!panel->subWindow()->windowFlags().testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(panel->subWindow()->height() < 154);  // only the title bar is left
    panel->subWindow()->showNormal();
    QCOMPARE(panel->size(), QSize(291, 154));
    QVERIFY(panel->isVisible());
}

void TestPanelWindow::refusesEveryCloseButClosePanel_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("close the frame") << 0;
    QTest::newRow("close all sub-windows") << 1;
    QTest::newRow("close the active sub-window") << 2;
    QTest::newRow("close the panel widget") << 3;
}

void TestPanelWindow::refusesEveryCloseButClosePanel() {
    QFETCH(int, how);
    QPointer<TMDIChild> panel = newPanel();
    QPointer<QMdiSubWindow> sub = panel->subWindow();
    frame_.mdiArea()->setActiveSubWindow(sub);
    switch (how) {
        case 0:
            QVERIFY(!sub->close());
            break;
        case 1:
            frame_.mdiArea()->closeAllSubWindows();
            break;
        case 2:
            frame_.mdiArea()->closeActiveSubWindow();
            break;
        case 3:
            QVERIFY(!panel->close());
            break;
    }
    FlushDeletes();
    QVERIFY(!panel.isNull());
    QVERIFY(!sub.isNull());
    QVERIFY(sub->isVisible());
    QVERIFY(panel->isVisible());
    QCOMPARE(App().Views.panel(panel->handle()), static_cast<PanelView*>(panel.data()));
}

void TestPanelWindow::closePanelFreesIt() {
    QPointer<TMDIChild> panel = newPanel();
    QPointer<QMdiSubWindow> sub = panel->subWindow();
    const PanelHandle handle = panel->handle();
    panel->closePanel();
    // Out of the link's reach at once, before the window is actually deleted.
    QVERIFY(App().Views.panel(handle) == nullptr);
    FlushDeletes();
    QVERIFY(panel.isNull());
    QVERIFY(sub.isNull());
    QVERIFY(frame_.mdiArea()->subWindowList().isEmpty());
}

void TestPanelWindow::controlGeometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("Skin") << "Skin" << QRect(0, 0, 291, 154);
    QTest::newRow("StringGrid1") << "StringGrid1" << QRect(0, 24, 293, 49);
    QTest::newRow("Diod") << "Diod" << QRect(0, 104, 9, 9);
    const int keys[18][2] = {{104, 104}, {128, 104}, {152, 104}, {176, 104}, {200, 104}, {224, 104},
                             {248, 104}, {272, 104}, {104, 136}, {128, 136}, {152, 136}, {176, 136},
                             {200, 136}, {224, 136}, {248, 136}, {272, 136}, {16, 104},  {64, 104}};
    for (int i = 0; i < 18; ++i) {
        const QString name = QStringLiteral("Button%1").arg(i + 1);
        QTest::newRow(qPrintable(name)) << name << QRect(keys[i][0], keys[i][1], 17, 17);
    }
}

void TestPanelWindow::controlGeometry() {
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    TMDIChild* panel = newPanel();
    auto* control = panel->findChild<QWidget*>(name);
    QVERIFY2(control != nullptr, qPrintable(name));
    QCOMPARE(control->parentWidget(), panel);
    QCOMPARE(control->geometry(), rect);
}

void TestPanelWindow::keyCaptions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    for (int i = 1; i <= 16; ++i) {
        QTest::newRow(qPrintable(QStringLiteral("Button%1").arg(i)))
            << QStringLiteral("Button%1").arg(i) << QString::number(i);
    }
    QTest::newRow("Button17") << "Button17"
                              << "T";
    QTest::newRow("Button18") << "Button18"
                              << "S";
}

void TestPanelWindow::keyCaptions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    TMDIChild* panel = newPanel();
    auto* button = panel->findChild<QPushButton*>(name);
    QVERIFY(button != nullptr);
    QCOMPARE(button->text(), caption);
    QVERIFY(button->isVisible());
}

void TestPanelWindow::labels_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<int>("pixelSize");
    QTest::newRow("Label1") << "Label1" << QPoint(104, 120) << "<<" << false << 11;
    QTest::newRow("Label2") << "Label2" << QPoint(128, 120) << ">>" << false << 11;
    QTest::newRow("Label3") << "Label3" << QPoint(178, 119) << "+" << true << 16;
    QTest::newRow("Label4") << "Label4" << QPoint(157, 114) << "-" << true << 19;
}

void TestPanelWindow::labels() {
    QFETCH(QString, name);
    QFETCH(QPoint, pos);
    QFETCH(QString, text);
    QFETCH(bool, bold);
    QFETCH(int, pixelSize);
    TMDIChild* panel = newPanel();
    auto* label = panel->findChild<QLabel*>(name);
    QVERIFY(label != nullptr);
    QCOMPARE(label->pos(), pos);
    QCOMPARE(label->text(), text);
    QCOMPARE(label->font().bold(), bold);
    QCOMPARE(label->font().pixelSize(), pixelSize);
    QVERIFY(!label->size().isEmpty());
}

void TestPanelWindow::windowFontAndBackground() {
    TMDIChild* panel = newPanel();
    QCOMPARE(panel->font().pixelSize(), 11);
    QVERIFY(!panel->font().bold());
    QCOMPARE(panel->backgroundRole(), QPalette::Button);
    // A spot between the display and the keys shows the button face.
    const QImage image = k4test::GrabPanel(*panel);
    QCOMPARE(image.pixel(200, 88), panel->palette().color(QPalette::Button).rgb());
}

void TestPanelWindow::displayTakesNoInput() {
    TMDIChild* panel = newPanel();
    QVERIFY(!panel->StringGrid1->isEnabled());
    QCOMPARE(panel->StringGrid1->focusPolicy(), Qt::NoFocus);
}

void TestPanelWindow::ledIsAFilledCircle() {
    TMDIChild* panel = newPanel();
    const QColor fill = panel->Diod->fill();
    QVERIFY(fill.isValid());
    QCOMPARE(fill, panel->palette().color(QPalette::Inactive, QPalette::Midlight));
    const QImage image = k4test::GrabPanel(*panel);
    QCOMPARE(image.pixel(4, 108), fill.rgb());   // the centre
    QVERIFY(image.pixel(0, 104) != fill.rgb());  // a corner outside the circle
}

void TestPanelWindow::tabOrderFollowsButtonNumber() {
    TMDIChild* panel = newPanel();
    QStringList order;
    QWidget* w = panel->Buttons[0];
    do {
        if (qobject_cast<QPushButton*>(w) && w->parentWidget() == panel) {
            order << w->objectName();
        }
        w = w->nextInFocusChain();
    } while (w != panel->Buttons[0] && order.size() < 40);
    QStringList expected;
    for (int i = 1; i <= 18; ++i) {
        expected << QStringLiteral("Button%1").arg(i);
    }
    QCOMPARE(order, expected);
}

void TestPanelWindow::skinCoversLabelsAndLedButNotDisplayOrKeys() {
    TMDIChild* panel = newPanel();
    panel->LCDColor = 0x00FF00;
    panel->LCDBackColor = 0x332211;
    const QColor magenta(255, 0, 255);
    QPixmap skin(291, 154);
    skin.fill(magenta);
    const QImage bare = k4test::GrabPanel(*panel);
    panel->Skin->setPixmap(skin);
    const QImage dressed = k4test::GrabPanel(*panel);

    // Labels and the LED: drawn without the skin, gone under it wherever no key lies above.
    const auto underAKey = [panel](QPoint p) {
        for (QPushButton* button : panel->Buttons) {
            if (button->geometry().contains(p)) {
                return true;
            }
        }
        return false;
    };
    for (QLabel* label : {panel->Label1, panel->Label2, panel->Label3, panel->Label4}) {
        const QRect area = label->geometry();
        QVERIFY2(k4test::CountPixels(bare, area, panel->palette().color(QPalette::Button), magenta)
                         .other > 0,
                 qPrintable(label->objectName()));
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (!underAKey({x, y})) {
                    QCOMPARE(dressed.pixel(x, y), magenta.rgb());
                }
            }
        }
    }
    QCOMPARE(dressed.pixel(4, 108), magenta.rgb());
    // The display and the keys stay above the skin.
    const QRect firstCell = CellRect(0, 0).translated(panel->StringGrid1->pos());
    QCOMPARE(k4test::CountPixels(dressed, firstCell, QColor(0x11, 0x22, 0x33), magenta).background,
             11 * 22);
    for (QPushButton* button : panel->Buttons) {
        QVERIFY2(dressed.pixel(button->geometry().center()) != magenta.rgb(),
                 qPrintable(button->objectName()));
    }
}

void TestPanelWindow::contextMenu() {
    TMDIChild* panel = newPanel();
    QCOMPARE(panel->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(panel->Skin->contextMenuPolicy(), Qt::CustomContextMenu);
    // A right click on the skin image opens the menu, and a second one the same menu.
    for (int click = 0; click < 2; ++click) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(150, 90),
                                panel->Skin->mapToGlobal(QPoint(150, 90)));
        QCoreApplication::sendEvent(panel->Skin, &event);
        QVERIFY(panel->PopupMenu1 != nullptr);
        QTRY_VERIFY(panel->PopupMenu1->isVisible());
        panel->PopupMenu1->hide();
    }
    QCOMPARE(panel->findChildren<QMenu*>().size(), 1);
    QCOMPARE(panel->PopupMenu1->objectName(), QStringLiteral("PopupMenu1"));
    QCOMPARE(panel->PopupMenu1->actions().size(), 1);
    QAction* item = panel->PopupMenu1->actions().first();
    QCOMPARE(item, panel->ChangeSkin);
    QCOMPARE(item->objectName(), QStringLiteral("ChangeSkin"));
    QCOMPARE(item->text(), QStringLiteral("Change skin and colors"));
}

void TestPanelWindow::registeredUnderItsOwnHandle() {
    TMDIChild* a = newPanel();
    TMDIChild* b = newPanel();
    QVERIFY(a->handle() != kNoHandle);
    QVERIFY(b->handle() != kNoHandle);
    QVERIFY(a->handle() != b->handle());
    QCOMPARE(App().Views.panel(a->handle()), static_cast<PanelView*>(a));
    QCOMPARE(App().Views.panel(b->handle()), static_cast<PanelView*>(b));
}

QTEST_MAIN(TestPanelWindow)
#include "tst_panelwindow.moc"
