// SPDX-License-Identifier: GPL-3.0-or-later
// Polls with a followed device: every other tick goes to it, between the round robin's visits;
// key commands still go first, and without a followed device the round robin is as it always was.
#include "link/pollorder.h"
#include "link/trs232flow.h"
#include "linktestutil.h"
#include "recordingeffects.h"
#include "simbus.h"

#include <QTest>

using namespace k4;
using namespace k4test;
using namespace std::chrono_literals;

class TestFollowedPolls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void order_data();
    void order();
    void wireOrder_data();
    void wireOrder();
};

void TestFollowedPolls::order_data() {
    QTest::addColumn<int>("lastIndex");
    QTest::addColumn<QList<int>>("followed");  // per tick; -1: none
    QTest::addColumn<QList<int>>("visits");
    QTest::addColumn<QList<int>>("roundStarts");  // the ticks that begin a round of the robin
    QTest::newRow("none: round robin")
        << 2 << QList<int>(7, -1) << QList<int>{0, 1, 2, 0, 1, 2, 0} << QList<int>{0, 3, 6};
    QTest::newRow("slot 1 between the others")
        << 3 << QList<int>(10, 1) << QList<int>{0, 1, 1, 1, 2, 1, 3, 1, 0, 1} << QList<int>{0, 8};
    QTest::newRow("slot 0 followed: its own turns begin no round")
        << 2 << QList<int>(8, 0) << QList<int>{0, 0, 1, 0, 2, 0, 0, 0} << QList<int>{0, 6};
    QTest::newRow("followed beyond LastIndex")
        << 1 << QList<int>(4, 3) << QList<int>{0, 1, 0, 1} << QList<int>{0, 2};
    // Switched off, the round robin goes on where it was; switched on again, the followed record
    // comes after the next round-robin visit.
    QTest::newRow("off and on again")
        << 3 << QList<int>{2, 2, -1, -1, 2, 2} << QList<int>{0, 2, 1, 2, 3, 2} << QList<int>{0};
}

void TestFollowedPolls::order() {
    QFETCH(int, lastIndex);
    QFETCH(QList<int>, followed);
    QFETCH(QList<int>, visits);
    QFETCH(QList<int>, roundStarts);
    PollOrder polls;
    QList<int> seen;
    QList<int> starts;
    for (const int f : followed) {
        seen << polls.next(lastIndex, f);
        if (polls.beganRound()) {
            starts << static_cast<int>(seen.size()) - 1;
        }
    }
    QCOMPARE(seen, visits);
    QCOMPARE(starts, roundStarts);
}

void TestFollowedPolls::wireOrder_data() {
    QTest::addColumn<PanelHandle>("followed");
    QTest::addColumn<QList<int>>("polls");  // addresses polled, from the first tick on
    QTest::newRow("off") << PanelHandle{kNoHandle} << QList<int>{11, 12, 13, 14, 11, 12, 13, 14};
    QTest::newRow("device 13's panel")
        << PanelHandle{102} << QList<int>{11, 13, 12, 13, 13, 13, 14, 13};
    QTest::newRow("a panel of no device") << PanelHandle{999} << QList<int>{11, 12, 13, 14, 11};
}

// On the wire: three keys clicked during a poll go out right after it, in click order, and the
// polls around them keep their order.
void TestFollowedPolls::wireOrder() {
    QFETCH(PanelHandle, followed);
    QFETCH(QList<int>, polls);
    DeviceTable table;
    RecordingEffects fx;
    auto bus = std::make_shared<SimBus>();
    for (std::uint8_t id = 11; id <= 14; ++id) {
        AddLoadedDevice(table, id);  // panels 100..103
        bus->setMode(id, SimBus::Mode::Display);
    }
    TRS232flow link(table, fx, MakeSimFactory(bus));
    link.PortNumber = 1;
    link.followPanel(followed);
    QVERIFY(link.startSuspended());
    link.resume();

    QVERIFY(bus->waitForFrames(3, 10s));
    bus->hold();
    QVERIFY(bus->waitUntilHeld(10s));
    const std::size_t held = bus->frameCount();
    for (std::uint8_t key : {5, 6, 7}) {
        QVERIFY(link.QueueCommand(12, key));
    }
    bus->release();
    QVERIFY(bus->waitForFrames(static_cast<std::size_t>(polls.size()) + 3, 10s));
    link.stopAndWait();

    const auto frames = bus->frames();
    QList<int> keys;
    QList<int> polled;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].key != 0) {
            QVERIFY2(i >= held && i < held + 3, "a key went out later than the next exchange");
            keys << frames[i].key;
        } else {
            polled << frames[i].address;
        }
    }
    QCOMPARE(keys, QList<int>({5, 6, 7}));
    QCOMPARE(polled.mid(0, polls.size()), polls);
}

QTEST_GUILESS_MAIN(TestFollowedPolls)
#include "tst_followedpolls.moc"
