// SPDX-License-Identifier: GPL-3.0-or-later
// The line's own state: its text in the status line, the reopening schedule of a lost port, and
// its way to the GUI thread beside the exchanges' effects.
#include "link/linestate.h"
#include "link/linkupdatequeue.h"
#include "recordingeffects.h"

#include <QTest>

using namespace k4;
using namespace std::chrono_literals;
using Clock = LineKeeper::Clock;

class TestLineState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void text_data();
    void text();
    void lostPortIsReopenedAboutOnceASecond();
    void failedStartIsTriedAgainLikeALostPort();
    void queueWakesOnceAndKeepsTheLatestState();
    void lineStateOutlivesDiscardedEffects();
    void lineTurns_data();
    void lineTurns();
    void eventsAreNeitherCoalescedNorDiscarded();
};

void TestLineState::text_data() {
    QTest::addColumn<int>("condition");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("expected");
    QTest::newRow("open") << int(LineCondition::Open) << 1 << "/dev/ttyS0"
                          << ""
                          << "COM1 (/dev/ttyS0): open";
    QTest::newRow("lost") << int(LineCondition::Lost) << 3 << "/dev/ttyUSB0"
                          << ""
                          << "COM3 (/dev/ttyUSB0): lost, reopening";
    QTest::newRow("cannot open")
        << int(LineCondition::CannotOpen) << 12 << "/tmp/kvt line"
        << "Permission denied"
        << "COM12 (/tmp/kvt line): cannot open, retrying: Permission denied";
    QTest::newRow("no device name") << int(LineCondition::CannotOpen) << 0 << ""
                                    << ""
                                    << "COM0: cannot open, retrying";
    QTest::newRow("closed") << int(LineCondition::Closed) << 1 << "/dev/ttyS0"
                            << ""
                            << "";
}

void TestLineState::text() {
    QFETCH(int, condition);
    QFETCH(int, port);
    QFETCH(QString, device);
    QFETCH(QString, reason);
    QFETCH(QString, expected);
    const LineState state{static_cast<LineCondition>(condition), port, device.toStdString(),
                          reason.toStdString()};
    QCOMPARE(LineStateText(state), expected);
}

// One attempt when due, then a full interval counted from the end of that attempt: a tick is
// never held up by more than one opening.
void TestLineState::lostPortIsReopenedAboutOnceASecond() {
    LineKeeper keeper;
    const Clock::time_point t0{};
    keeper.started(true, t0);
    QCOMPARE(keeper.condition(), LineCondition::Open);
    QVERIFY(!keeper.reopenDue(t0));
    keeper.lost(t0);
    QCOMPARE(keeper.condition(), LineCondition::Lost);
    QVERIFY(!keeper.reopenDue(t0));
    QVERIFY(!keeper.reopenDue(t0 + 999ms));
    QVERIFY(keeper.reopenDue(t0 + 1000ms));
    keeper.reopenTried(false, t0 + 1300ms);  // a slow failing open
    QCOMPARE(keeper.condition(), LineCondition::Lost);
    QVERIFY(!keeper.reopenDue(t0 + 1310ms));
    QVERIFY(!keeper.reopenDue(t0 + 2299ms));
    QVERIFY(keeper.reopenDue(t0 + 2300ms));
    keeper.reopenTried(true, t0 + 2310ms);
    QCOMPARE(keeper.condition(), LineCondition::Open);
    QVERIFY(!keeper.reopenDue(t0 + 10s));
}

// A port that could not be opened at the start (an adapter plugged in later) is tried again on
// the schedule of a lost one until it opens.
void TestLineState::failedStartIsTriedAgainLikeALostPort() {
    LineKeeper keeper;
    const Clock::time_point t0{};
    keeper.started(false, t0);
    QCOMPARE(keeper.condition(), LineCondition::CannotOpen);
    QVERIFY(!keeper.reopenDue(t0 + 999ms));
    QVERIFY(keeper.reopenDue(t0 + 1000ms));
    keeper.reopenTried(false, t0 + 1000ms);
    QCOMPARE(keeper.condition(), LineCondition::CannotOpen);
    QVERIFY(!keeper.reopenDue(t0 + 1999ms));
    QVERIFY(keeper.reopenDue(t0 + 2000ms));
    keeper.reopenTried(true, t0 + 2000ms);
    QCOMPARE(keeper.condition(), LineCondition::Open);
    QVERIFY(!keeper.reopenDue(t0 + 1h));
}

void TestLineState::queueWakesOnceAndKeepsTheLatestState() {
    int wakes = 0;
    LinkUpdateQueue queue([&wakes] { ++wakes; });
    queue.lineStateChanged({LineCondition::Open, 1, "/dev/ttyS0"});
    queue.beep();
    queue.lineStateChanged({LineCondition::Lost, 1, "/dev/ttyS0"});
    QCOMPARE(wakes, 1);  // one wake-up for everything until the GUI has taken it

    k4test::RecordingEffects target;
    QCOMPARE(queue.deliverTo(target), std::size_t{1});
    QCOMPARE(target.lines(), QStringList({"beep"}));
    QCOMPARE(target.lineStates(), std::vector<LineCondition>({LineCondition::Lost}));

    // Nothing pending again: the next state wakes the GUI, and is delivered once.
    queue.lineStateChanged({LineCondition::Open, 1, "/dev/ttyS0"});
    QCOMPARE(wakes, 2);
    queue.deliverTo(target);
    queue.deliverTo(target);
    QCOMPARE(target.lineStates(),
             std::vector<LineCondition>({LineCondition::Lost, LineCondition::Open}));
}

void TestLineState::lineStateOutlivesDiscardedEffects() {
    LinkUpdateQueue queue;
    queue.showPanel(7);
    queue.lineStateChanged({LineCondition::CannotOpen, 2, "/dev/ttyS1"});
    queue.discard();  // a workspace closed: its views' effects go, the line's state stays
    k4test::RecordingEffects target;
    QCOMPARE(queue.deliverTo(target), std::size_t{0});
    QCOMPARE(target.lineStates(), std::vector<LineCondition>({LineCondition::CannotOpen}));
}

using Turn = std::optional<LinkEvent::Kind>;
Q_DECLARE_METATYPE(Turn)

void TestLineState::lineTurns_data() {
    using C = LineCondition;
    using K = LinkEvent::Kind;
    QTest::addColumn<C>("from");
    QTest::addColumn<C>("to");
    QTest::addColumn<Turn>("turn");
    QTest::newRow("start open") << C::Closed << C::Open << Turn(K::LineOpened);
    QTest::newRow("start fails") << C::Closed << C::CannotOpen << Turn(K::LineCannotOpen);
    QTest::newRow("lost") << C::Open << C::Lost << Turn(K::LineLost);
    QTest::newRow("back after loss") << C::Lost << C::Open << Turn(K::LineBack);
    QTest::newRow("back after failed start") << C::CannotOpen << C::Open << Turn(K::LineBack);
    QTest::newRow("retry fails, same episode") << C::CannotOpen << C::Lost << Turn();
    QTest::newRow("lost, retry fails") << C::Lost << C::CannotOpen << Turn();
    QTest::newRow("same state") << C::Open << C::Open << Turn();
    QTest::newRow("stop while lost") << C::Lost << C::Closed << Turn(K::LineClosed);
    QTest::newRow("stop") << C::Open << C::Closed << Turn(K::LineClosed);
}

void TestLineState::lineTurns() {
    QFETCH(LineCondition, from);
    QFETCH(LineCondition, to);
    QFETCH(Turn, turn);
    QCOMPARE(LineTurn(from, to), turn);
}

void TestLineState::eventsAreNeitherCoalescedNorDiscarded() {
    LinkUpdateQueue queue;
    queue.linkEvent(StampedEvent(LinkEvent::Kind::LineLost));
    queue.showPanel(7);
    queue.linkEvent(StampedEvent(LinkEvent::Kind::LineBack));
    queue.discard();
    k4test::RecordingEffects target;
    queue.deliverTo(target);
    QCOMPARE(target.lines(), QStringList());
    QCOMPARE(target.events(), QStringList({"line 2", "line 3"}));
}

QTEST_APPLESS_MAIN(TestLineState)
#include "tst_linestate.moc"
