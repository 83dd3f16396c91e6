// SPDX-License-Identifier: GPL-3.0-or-later
// The link hands over only what changes what the operator sees.
#include "link/changedonlyeffects.h"
#include "recordingeffects.h"

#include <QTest>

using namespace k4;
using k4test::RecordingEffects;

namespace {

DisplayCells Text(char c) {
    DisplayCells cells;
    cells.fill(static_cast<std::uint8_t>(c));
    return cells;
}

// What the exchange rules hand over for a display reply, and for a failure.
void Reply(ExchangeEffects& fx, char c, std::uint8_t mask = 0) {
    fx.writeCells(1, Text(c), mask);
    fx.repaintPanel(1);
}
void Failure(ExchangeEffects& fx) {
    fx.showCommError(1);
}

}  // namespace

class TestChangedOnlyEffects : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void displays();
    void nodePicturesAndTheRest();
};

void TestChangedOnlyEffects::displays() {
    RecordingEffects seen;
    ChangedOnlyEffects fx(seen);
    Reply(fx, 'A');
    QCOMPARE(seen.take(), QStringList({"cells 1 00", "repaint 1"}));
    Reply(fx, 'A');
    QCOMPARE(seen.take(), QStringList());
    Reply(fx, 'B');
    QCOMPARE(seen.take(), QStringList({"cells 1 00", "repaint 1"}));
    fx.writeCells(2, Text('B'), 0);  // another panel knows nothing of the first one's display
    QCOMPARE(seen.take(), QStringList({"cells 2 00"}));

    // Blinking: the same reply, highlighted and not, in turn.
    Reply(fx, 'B', 0x80);
    Reply(fx, 'B');
    Reply(fx, 'B', 0x80);
    QCOMPARE(seen.take(), QStringList({"cells 1 80", "repaint 1", "cells 1 00", "repaint 1",
                                       "cells 1 80", "repaint 1"}));
    // A highlight over cells that carry it already changes nothing.
    Reply(fx, char(0xC2));
    QCOMPARE(seen.take(), QStringList());

    // The error text once per episode, with its repaint; the display after it again.
    Failure(fx);
    fx.repaintPanel(1);
    Failure(fx);
    Failure(fx);
    QCOMPARE(seen.take(), QStringList({"commError 1", "repaint 1"}));
    Reply(fx, char(0xC2));
    QCOMPARE(seen.take(), QStringList({"cells 1 00", "repaint 1"}));

    ChangedOnlyEffects fresh(seen);
    Reply(fresh, char(0xC2));
    QCOMPARE(seen.take(), QStringList({"cells 1 00", "repaint 1"}));
}

void TestChangedOnlyEffects::nodePicturesAndTheRest() {
    RecordingEffects seen;
    ChangedOnlyEffects fx(seen);
    fx.setNodeImage(7, 3);
    fx.repaintTree();
    fx.setNodeImage(7, 3);
    fx.repaintTree();
    fx.setNodeImage(8, 3);
    fx.setNodeImage(7, 0);
    fx.repaintTree();
    fx.repaintTree();
    QCOMPARE(seen.take(), QStringList({"image 7 3", "tree", "image 8 3", "image 7 0", "tree"}));

    // Raising, beeping, the end of a key and the link's events are never dropped, however often
    // they come.
    for (int i = 0; i < 2; ++i) {
        fx.showPanel(1);
        fx.beep();
        fx.keyExchanged(5, 3, i == 1, kNoOwner);
        LinkEvent e = StampedEvent(LinkEvent::Kind::AttentionRaised);
        e.address = 5;
        fx.linkEvent(e);
    }
    QCOMPARE(seen.take(), QStringList({"show 1", "beep", "show 1", "beep"}));
    QCOMPARE(seen.keysEnded(), QStringList({"key 5 3", "key 5 3 failed"}));
    QCOMPARE(seen.events(), QStringList({"attention 5", "attention 5"}));
}

QTEST_APPLESS_MAIN(TestChangedOnlyEffects)
#include "tst_changedonlyeffects.moc"
