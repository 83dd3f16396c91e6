// SPDX-License-Identifier: GPL-3.0-or-later
// Marking a widget for repainting whole: everything in it is painted again with the window's
// next repaint, controls that asked for nothing included.
#include "state/repaintwhole.h"

#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace {

// Paints itself in a colour it was given, without asking to be repainted when it changes.
class Swatch final : public QWidget {
public:
    using QWidget::QWidget;
    QColor colour = Qt::red;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), colour); }
};

}  // namespace

class TestRepaintWhole : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void paintsEverythingInTheWidgetAgain() {
        QWidget window;
        window.resize(120, 90);
        auto* area = new QWidget(&window);
        area->setGeometry(10, 10, 100, 70);
        auto* swatch = new Swatch(area);
        swatch->setAttribute(Qt::WA_OpaquePaintEvent);  // nothing behind it is painted for it
        swatch->setGeometry(20, 20, 30, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto onScreen = [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1000);
            return window.screen()->grabWindow(window.winId()).toImage().pixelColor(45, 45);
        };
        QCOMPARE(onScreen(), QColor(Qt::red));

        swatch->colour = Qt::blue;
        k4::RepaintWhole(area);
        QCOMPARE(onScreen(), QColor(Qt::blue));
        // Nothing of the cover is left behind.
        QCOMPARE(area->children().size(), 1);
    }
};

QTEST_MAIN(TestRepaintWhole)
#include "tst_repaintwhole.moc"
