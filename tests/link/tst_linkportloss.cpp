// SPDX-License-Identifier: GPL-3.0-or-later
// The port itself goes away and comes back (kvtsim unplugs and replugs its line), or is not there
// yet when the link starts (kvtsim starts later): every device fails once, and polling begins on
// its own once the line is there.
#include "kvtsimlink.h"

#include <QTest>

using namespace k4;
using namespace k4test;

namespace {

using Conditions = std::vector<LineCondition>;

int PollsAfter(const std::vector<LoggedFrame>& frames, std::int64_t sinceUs, int address) {
    int count = 0;
    for (const LoggedFrame& f : frames) {
        count += f.timeUs >= sinceUs && f.key == 0 && f.address == address ? 1 : 0;
    }
    return count;
}

std::int64_t LastFrameUs(const std::vector<LoggedFrame>& frames) {
    return frames.empty() ? 0 : frames.back().timeUs;
}

}  // namespace

class TestLinkPortLoss : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void dropAndReturn();
    void stopWhilePortIsGone();
    void portThatAppearsLaterIsPolled();

private:
    void startLink();
    bool allInError(int value) const;
    QList<int> episodeCounts() const;

    KvtsimLink lk_;
};

// One kvtsim for every test: devices 1, 2 and 5 on the line.
void TestLinkPortLoss::initTestCase() {
    const QString error = lk_.startLine();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestLinkPortLoss::cleanupTestCase() {
    lk_.sim.stop();
}

void TestLinkPortLoss::init() {
    lk_.begin();
}

void TestLinkPortLoss::cleanup() {
    lk_.end();
    lk_.sim.command(QStringLiteral("replug"));  // the line is back for the next test, if it went
}

void TestLinkPortLoss::startLink() {
    lk_.startLink();
    QVERIFY(lk_.link->isRunning());
}

bool TestLinkPortLoss::allInError(int value) const {
    for (int slot = 0; slot < 3; ++slot) {
        if ((*lk_.table)[slot].CommError.load() != value) {
            return false;
        }
    }
    return true;
}

// Counts of what a failure episode does to each device, so that a device that missed a reply on
// a busy machine before the line went cannot be mistaken for one the loss failed twice.
QList<int> TestLinkPortLoss::episodeCounts() const {
    QList<int> counts{lk_.fx->count("beep")};
    for (int slot = 0; slot < 3; ++slot) {
        counts << lk_.fx->count(QStringLiteral("show %1").arg(100 + slot))
               << lk_.fx->count(QStringLiteral("image %1 2").arg(200 + slot));
    }
    return counts;
}

void TestLinkPortLoss::dropAndReturn() {
    startLink();
    QVERIFY(WaitUntil([&] {
        return lk_.fx->count("cells 100 00") > 0 && lk_.fx->count("cells 102 00") > 0 &&
               allInError(0);
    }));
    const QList<int> before = episodeCounts();

    QCOMPARE(lk_.sim.command("unplug"), QStringLiteral("OK unplug"));
    QVERIFY(WaitUntil([&] { return allInError(1); }));
    // Each device keeps failing quietly; 50 polls of one device take 1.5 s at least, so one
    // reopening has failed meanwhile.
    QVERIFY(WaitUntil([&] { return lk_.fx->count("commError 102") >= 50; }));
    QCOMPARE(lk_.fx->lineStates(), Conditions({LineCondition::Open, LineCondition::Lost}));
    // One failure episode per device: one beep, one raise, one red picture each.
    const QList<int> during = episodeCounts();
    for (int i = 0; i < before.size(); ++i) {
        QCOMPARE(during[i] - before[i], i == 0 ? 3 : 1);
    }

    const std::int64_t replugUs = LastFrameUs(lk_.sim.frames());
    const int cells100 = lk_.fx->count("cells 100 00");
    const int cells102 = lk_.fx->count("cells 102 00");
    QCOMPARE(lk_.sim.command("replug"), QStringLiteral("OK replug"));
    QVERIFY(WaitUntil([&] { return allInError(0); }));
    QVERIFY(WaitUntil([&] {
        const auto frames = lk_.sim.frames();
        return PollsAfter(frames, replugUs + 1, 1) >= 2 && PollsAfter(frames, replugUs + 1, 5) >= 2;
    }));
    // The displays are the devices' own again. (A reply that comes too late on a busy machine
    // lands in the next device's read, as on any line; the next poll puts it right.)
    QVERIFY(WaitUntil([&] {
        return lk_.fx->count("cells 100 00") > cells100 &&
               lk_.fx->count("cells 102 00") > cells102 &&
               lk_.fx->row(100, 0).startsWith("ID=1 ") && lk_.fx->row(102, 0).startsWith("ID=5 ");
    }));
    lk_.link->StopLink();

    QCOMPARE(lk_.fx->lineStates(), Conditions({LineCondition::Open, LineCondition::Lost,
                                               LineCondition::Open, LineCondition::Closed}));
    QVERIFY2(lk_.opens >= 3,
             qPrintable(QString::number(lk_.opens)));  // at least one failed reopening
    QCOMPARE(lk_.messages, QStringList());
    const QString stats = lk_.sim.command("stats");
    QVERIFY2(stats.contains(" bad=0 "), qPrintable(stats));
}

void TestLinkPortLoss::stopWhilePortIsGone() {
    startLink();
    QVERIFY(WaitUntil([&] { return lk_.fx->count("cells 100 00") > 0; }));
    QCOMPARE(lk_.sim.command("unplug"), QStringLiteral("OK unplug"));
    QVERIFY(WaitUntil([&] {
        return lk_.fx->lineStates() == Conditions({LineCondition::Open, LineCondition::Lost});
    }));
    // Held up by one tick and at most one reopening, never by a wait for the line.
    lk_.link->StopLink();
    QVERIFY(!lk_.link->isRunning());
    QCOMPARE(lk_.fx->lineStates(),
             Conditions({LineCondition::Open, LineCondition::Lost, LineCondition::Closed}));
}

// The adapter is plugged in after the console started: the operator is told once, the status line
// says why the port does not open, and polling begins without anything more from the operator.
void TestLinkPortLoss::portThatAppearsLaterIsPolled() {
    KvtsimProcess late;  // its line does not exist until it starts
    lk_.startLink(late.linkPath());
    QCOMPARE(lk_.messages, QStringList({QStringLiteral("port COM 1 open error!")}));
    // Device 1 failing again means every device has had its turn.
    QVERIFY(WaitUntil([&] { return allInError(1) && lk_.fx->count("commError 100") >= 2; }));
    QCOMPARE(lk_.fx->count("beep"), 3);  // one failure episode per device
    QCOMPARE(LineStateText(lk_.fx->lastLineState()),
             QStringLiteral("COM1 (%1): cannot open, retrying: No such file or directory")
                 .arg(late.linkPath()));

    const QString error = late.start(KvtsimProcess::executable(), {"--ids", "1,2,5"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(WaitUntil([&] {
        return allInError(0) && lk_.fx->row(100, 0).startsWith("ID=1 ") &&
               lk_.fx->row(102, 0).startsWith("ID=5 ");
    }));
    lk_.link->StopLink();
    QCOMPARE(lk_.fx->lineStates(),
             Conditions({LineCondition::CannotOpen, LineCondition::Open, LineCondition::Closed}));
    QCOMPARE(lk_.messages.size(), 1);
}

QTEST_GUILESS_MAIN(TestLinkPortLoss)
#include "tst_linkportloss.moc"
