// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/trs232flow.h"
#include "linktestutil.h"
#include "recordingeffects.h"
#include "simbus.h"

#include <QTest>

using namespace k4;
using namespace k4test;
using namespace std::chrono_literals;

namespace {

// A link thread on a simulated bus. The table outlives the thread (members go in reverse).
struct Link {
    DeviceTable table;
    RecordingEffects fx;
    std::shared_ptr<SimBus> bus = std::make_shared<SimBus>();
    std::unique_ptr<TRS232flow> thread;

    bool start() {
        thread = std::make_unique<TRS232flow>(table, fx, MakeSimFactory(bus));
        thread->PortNumber = 1;
        const bool opened = thread->startSuspended();
        thread->Ring.reset();
        thread->resume();
        return opened;
    }
    ~Link() {
        if (thread) {
            thread->stopAndWait();
        }
    }
};

QList<int> Addresses(const std::vector<SimBus::Frame>& frames, std::size_t from, std::size_t n) {
    QList<int> out;
    for (std::size_t i = from; i < from + n && i < frames.size(); ++i) {
        out << frames[i].address;
    }
    return out;
}

}  // namespace

class TestLinkLoop : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyTableSendsNothing();
    void pollsInUseSlotsInOrder();
    void idleSlotTakesOneTick();
    void keyCommandsGoAheadOfNextPoll_data();
    void keyCommandsGoAheadOfNextPoll();
    void pollAfterKeysWaitsItsTickForTheNextRecord();
    void stopDropsQueuedCommands();
    void stopEndsDrainAfterExchangeInProgress();
    void fullTableWrapsToSlotZero();
    void withoutPortEveryDeviceFailsOnce();
    void keyEndSaysWhetherTheDeviceReplied_data();
    void keyEndSaysWhetherTheDeviceReplied();
};

void TestLinkLoop::emptyTableSendsNothing() {
    Link link;
    QVERIFY(link.start());
    QCOMPARE(link.bus->opens(), 1);
    // Some ten ticks of the loop: none may touch the line.
    std::this_thread::sleep_for(100ms);
    QCOMPARE(link.bus->frameCount(), std::size_t{0});
    link.thread->stopAndWait();
    QCOMPARE(link.bus->closes(), 1);
    QVERIFY(link.fx.lines().isEmpty());
}

void TestLinkLoop::pollsInUseSlotsInOrder() {
    Link link;
    AddLoadedDevice(link.table, 1);
    AddLoadedDevice(link.table, 2, false);
    AddLoadedDevice(link.table, 3);
    link.bus->setMode(1, SimBus::Mode::Display);
    link.bus->setMode(3, SimBus::Mode::Display);
    QVERIFY(link.start());
    QVERIFY(link.bus->waitForFrames(6, 10s));
    const auto frames = link.bus->frames();
    QCOMPARE(Addresses(frames, 0, 6), QList<int>({1, 3, 1, 3, 1, 3}));
    for (const auto& f : frames) {
        QCOMPARE(f.key, 0);
    }
}

// Record 1 without the in-use flag costs one tick without traffic: from a poll of record 0 to
// the poll of record 2 at least two waits pass, from record 2 back to record 0 only one.
void TestLinkLoop::idleSlotTakesOneTick() {
    Link link;
    AddLoadedDevice(link.table, 1);
    AddLoadedDevice(link.table, 2, false);
    AddLoadedDevice(link.table, 3);
    QVERIFY(link.start());
    QVERIFY(link.bus->waitForFrames(3, 10s));
    const auto frames = link.bus->frames();
    QCOMPARE(Addresses(frames, 0, 3), QList<int>({1, 3, 1}));
    QVERIFY(frames[1].at - frames[0].at >= 2 * kLinkTick - 1ms);
}

void TestLinkLoop::keyCommandsGoAheadOfNextPoll_data() {
    QTest::addColumn<int>("commands");
    QTest::addColumn<int>("accepted");
    QTest::newRow("ten clicks") << 10 << 10;
    QTest::newRow("ring full") << 17 << 16;
}

// Clicks made while an exchange is on the line go out in click order, before the next poll.
void TestLinkLoop::keyCommandsGoAheadOfNextPoll() {
    QFETCH(int, commands);
    QFETCH(int, accepted);
    Link link;
    AddLoadedDevice(link.table, 1);
    AddLoadedDevice(link.table, 3);
    link.bus->setMode(1, SimBus::Mode::Display);
    link.bus->setMode(3, SimBus::Mode::Display);
    QVERIFY(link.start());
    QVERIFY(link.bus->waitForFrames(1, 10s));
    link.bus->hold();
    QVERIFY(link.bus->waitUntilHeld(10s));
    const std::size_t before = link.bus->frameCount();
    int queued = 0;
    for (int i = 1; i <= commands; ++i) {
        queued += link.thread->QueueCommand(i % 2 ? 1 : 3, static_cast<std::uint8_t>(i)) ? 1 : 0;
    }
    QCOMPARE(queued, accepted);
    link.bus->release();
    QVERIFY(link.bus->waitForFrames(before + static_cast<std::size_t>(accepted) + 1, 10s));
    const auto frames = link.bus->frames();
    for (int i = 1; i <= accepted; ++i) {
        const auto& f = frames[before + static_cast<std::size_t>(i) - 1];
        QCOMPARE(int(f.address), i % 2 ? 1 : 3);
        QCOMPARE(int(f.key), i);
    }
    QCOMPARE(int(frames[before + static_cast<std::size_t>(accepted)].key), 0);
    QVERIFY(link.thread->Ring.empty());
}

// Clicks wake the loop at once and go out; the poll after them still waits its whole tick and goes
// to the record that was next before the clicks.
void TestLinkLoop::pollAfterKeysWaitsItsTickForTheNextRecord() {
    Link link;
    for (std::uint8_t id = 1; id <= 3; ++id) {
        AddLoadedDevice(link.table, id);
        link.bus->setMode(id, SimBus::Mode::Display);
    }
    QVERIFY(link.start());
    QVERIFY(link.bus->waitForFrames(1, 10s));
    link.bus->hold();
    QVERIFY(link.bus->waitUntilHeld(10s));
    const std::size_t held = link.bus->frameCount() - 1;  // the poll on the line now
    QVERIFY(link.thread->QueueCommand(3, 7));
    QVERIFY(link.thread->QueueCommand(3, 8));
    link.bus->release();
    QVERIFY(link.bus->waitForFrames(held + 4, 10s));
    const auto frames = link.bus->frames();
    const int polled = frames[held].address;
    QCOMPARE(int(frames[held].key), 0);
    QCOMPARE(int(frames[held + 1].key), 7);
    QCOMPARE(int(frames[held + 2].key), 8);
    QCOMPARE(int(frames[held + 3].key), 0);
    QCOMPARE(int(frames[held + 3].address), polled % 3 + 1);
    QVERIFY(frames[held + 3].at - frames[held + 2].at >= kLinkTick - 1ms);
}

void TestLinkLoop::stopDropsQueuedCommands() {
    Link link;
    AddLoadedDevice(link.table, 1);
    link.bus->setMode(1, SimBus::Mode::Display);
    QVERIFY(link.start());
    QVERIFY(link.bus->waitForFrames(1, 10s));
    link.bus->hold();
    QVERIFY(link.bus->waitUntilHeld(10s));
    const std::size_t before = link.bus->frameCount();
    for (int i = 1; i <= 5; ++i) {
        QVERIFY(link.thread->QueueCommand(1, static_cast<std::uint8_t>(i)));
    }
    link.thread->requestStop();
    link.bus->release();
    link.thread->stopAndWait();
    QCOMPARE(link.bus->frameCount(), before);
    QCOMPARE(link.bus->closes(), 1);
}

// A stop during a drain waits for the exchange on the line, not for the 15 commands behind it.
// The record is not in use, so no poll gets in the way; a key command still finds it by its ID.
void TestLinkLoop::stopEndsDrainAfterExchangeInProgress() {
    Link link;
    AddLoadedDevice(link.table, 1, false);
    QVERIFY(link.start());
    link.bus->hold();
    for (int i = 1; i <= CommandRing::kCapacity; ++i) {
        QVERIFY(link.thread->QueueCommand(1, static_cast<std::uint8_t>(i)));
    }
    QVERIFY(link.bus->waitUntilHeld(10s));
    link.thread->requestStop();
    link.bus->release();
    link.thread->stopAndWait();
    QCOMPARE(link.bus->frameCount(), std::size_t{1});
    QCOMPARE(int(link.bus->frames()[0].key), 1);
}

void TestLinkLoop::fullTableWrapsToSlotZero() {
    Link link;
    for (int id = 1; id <= DeviceTable::kMaxDevices; ++id) {
        AddLoadedDevice(link.table, static_cast<std::uint8_t>(id));
        link.bus->setMode(static_cast<std::uint8_t>(id), SimBus::Mode::TwoByte);
    }
    QCOMPARE(link.table.lastIndex(), 126);
    QVERIFY(link.start());
    QVERIFY(link.bus->waitForFrames(130, 30s));
    const auto frames = link.bus->frames();
    for (std::size_t i = 0; i < 130; ++i) {
        QCOMPARE(int(frames[i].address), static_cast<int>(i % 127) + 1);
    }
}

// Without a port every exchange fails: each device in use beeps once and shows icon 2 once.
void TestLinkLoop::withoutPortEveryDeviceFailsOnce() {
    Link link;
    AddLoadedDevice(link.table, 1);
    AddLoadedDevice(link.table, 2);
    link.bus->setOpenFails(true);
    QVERIFY(!link.start());
    QVERIFY(WaitUntil([&] { return link.fx.count("commError 101") >= 3; }));
    link.thread->stopAndWait();
    QCOMPARE(link.bus->frameCount(), std::size_t{0});
    QCOMPARE(link.fx.count("beep"), 2);
    QCOMPARE(link.fx.count("image 200 2"), 1);
    QCOMPARE(link.fx.count("image 201 2"), 1);
    QCOMPARE(link.fx.count("show 100"), 1);
    QCOMPARE(link.fx.count("show 101"), 1);
    QCOMPARE(link.table[0].CommError.load(), 1);
    QCOMPARE(link.table[1].CommError.load(), 1);
}

void TestLinkLoop::keyEndSaysWhetherTheDeviceReplied_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("ended");
    QTest::newRow("replied") << 1 << "key 1 5";
    QTest::newRow("silent device") << 2 << "key 2 5 failed";
    QTest::newRow("ID not in the table") << 9 << "key 9 5 failed";
}

// A macro run goes on from the end of each key: only a reply counts as delivered. The records are
// not in use, so no poll ends in between.
void TestLinkLoop::keyEndSaysWhetherTheDeviceReplied() {
    QFETCH(int, address);
    QFETCH(QString, ended);
    Link link;
    AddLoadedDevice(link.table, 1, false);
    AddLoadedDevice(link.table, 2, false);
    link.bus->setMode(1, SimBus::Mode::Display);
    link.bus->setMode(2, SimBus::Mode::Silent);
    QVERIFY(link.start());
    QVERIFY(link.thread->QueueCommand(static_cast<std::uint8_t>(address), 5));
    QVERIFY(WaitUntil([&] { return !link.fx.keysEnded().isEmpty(); }));
    link.thread->stopAndWait();
    QCOMPARE(link.fx.keysEnded(), QStringList{ended});
}

QTEST_GUILESS_MAIN(TestLinkLoop)
#include "tst_linkloop.moc"
