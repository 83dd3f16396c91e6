// SPDX-License-Identifier: GPL-3.0-or-later
// The link on a real pseudo-terminal against the bus simulator kvtsim: the Qt Serial Port line,
// the loop and the exchange rules together, checked against what kvtsim saw on its side.
#include "kvtsimlink.h"

#include <QRegularExpression>
#include <QTest>

using namespace k4;
using namespace k4test;
using namespace std::chrono_literals;

namespace {

QList<int> PolledAddresses(const std::vector<LoggedFrame>& frames) {
    QList<int> out;
    for (const LoggedFrame& f : frames) {
        if (f.key == 0) {
            out << f.address;
        }
    }
    return out;
}

}  // namespace

class TestLinkKvtsim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void pollsGoRound();
    void keyCommandGoesAheadOfNextPoll();
    void silentDeviceFailsOnceAndRecovers();
    void twoByteAndGarbledReplies();
    void attentionBlinks();
    void healthThroughFailureAndRecovery();

private:
    void startLink();
    // What kvtsim logged since this test began.
    std::vector<LoggedFrame> framesOfThisTest() const {
        std::vector<LoggedFrame> frames = lk_.sim.frames();
        frames.erase(frames.begin(),
                     frames.begin() + std::ptrdiff_t(std::min(framesBefore_, frames.size())));
        return frames;
    }

    KvtsimLink lk_;
    std::size_t framesBefore_ = 0;
};

// One kvtsim for every test: devices 1, 2 and 5 on the line.
void TestLinkKvtsim::initTestCase() {
    const QString error = lk_.startLine();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestLinkKvtsim::cleanupTestCase() {
    lk_.sim.stop();
}

// Every device answers normally again, and the same three are in a fresh table.
void TestLinkKvtsim::init() {
    for (const char* id : {"1", "2", "5"}) {
        QCOMPARE(lk_.sim.command(QStringLiteral("normal ") + id),
                 QStringLiteral("OK normal ") + id);
        QVERIFY(lk_.sim.command(QStringLiteral("attention %1 off").arg(id)).startsWith("OK"));
    }
    framesBefore_ = lk_.sim.frames().size();
    lk_.begin();
}

void TestLinkKvtsim::cleanup() {
    lk_.end();
}

void TestLinkKvtsim::startLink() {
    lk_.startLink();
    QVERIFY(lk_.link->isRunning());
    QCOMPARE(lk_.messages, QStringList());
}

void TestLinkKvtsim::pollsGoRound() {
    startLink();
    QVERIFY(WaitUntil([&] { return PolledAddresses(framesOfThisTest()).size() >= 9; }));
    lk_.link->StopLink();
    const QList<int> polled = PolledAddresses(framesOfThisTest());
    QCOMPARE(polled.mid(0, 9), QList<int>({1, 2, 5, 1, 2, 5, 1, 2, 5}));
    for (const LoggedFrame& f : framesOfThisTest()) {
        QVERIFY2(f.verdict.endsWith("reply=51"), qPrintable(f.verdict));
    }
    QVERIFY(lk_.fx->count("cells 100 00") >= 3);
    QVERIFY(lk_.fx->count("cells 102 00") >= 3);
    // Each panel got its own device's display: the top row names the device.
    QVERIFY2(lk_.fx->row(100, 0).startsWith("ID=1 "), qPrintable(lk_.fx->row(100, 0)));
    QVERIFY2(lk_.fx->row(101, 0).startsWith("ID=2 "), qPrintable(lk_.fx->row(101, 0)));
    QVERIFY2(lk_.fx->row(102, 0).startsWith("ID=5 "), qPrintable(lk_.fx->row(102, 0)));
    const QString stats = lk_.sim.command("stats");
    QVERIFY2(stats.startsWith("STATS ") && stats.contains(" bad=0 "), qPrintable(stats));
}

// A click goes out after the exchange in progress at most, never after a poll begun later.
void TestLinkKvtsim::keyCommandGoesAheadOfNextPoll() {
    startLink();
    QVERIFY(WaitUntil([&] { return framesOfThisTest().size() >= 4; }));
    for (int round = 0; round < 5; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(7 * round));
        const std::int64_t queuedUs = std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count();
        const int key = 1 + round;
        QVERIFY(lk_.link->QueueCommand(5, static_cast<std::uint8_t>(key)));
        QVERIFY(WaitUntil([&] {
            const auto frames = lk_.sim.frames();
            return std::any_of(frames.begin(), frames.end(),
                               [&](const LoggedFrame& f) { return f.key == key; });
        }));
        int pollsBefore = 0;
        for (const LoggedFrame& f : lk_.sim.frames()) {
            if (f.timeUs < queuedUs) {
                continue;
            }
            if (f.key == key) {
                QCOMPARE(f.address, 5);
                QVERIFY2(f.verdict.startsWith(QStringLiteral("key %1").arg(key)),
                         qPrintable(f.verdict));
                break;
            }
            ++pollsBefore;
        }
        QVERIFY2(pollsBefore <= 1, qPrintable(QString::number(pollsBefore)));
    }
}

// Device 2 goes quiet: one beep, its panel raised once, icon 2 once, the error text on every
// failed poll; back to normal it shows icon 0 and its display again.
void TestLinkKvtsim::silentDeviceFailsOnceAndRecovers() {
    startLink();
    QVERIFY(WaitUntil([&] { return lk_.fx->count("cells 101 00") >= 1; }));
    QCOMPARE(lk_.sim.command("silent 2"), QStringLiteral("OK silent 2"));
    QVERIFY(WaitUntil([&] { return lk_.fx->count("commError 101") >= 4; }));
    QCOMPARE((*lk_.table)[1].CommError.load(), 1);
    QCOMPARE(lk_.sim.command("normal 2"), QStringLiteral("OK normal 2"));
    QVERIFY(WaitUntil([&] { return (*lk_.table)[1].CommError.load() == 0; }));
    lk_.link->StopLink();
    // Counted for device 2 alone: another device that missed a reply on a busy machine has
    // episodes of its own.
    QCOMPARE((*lk_.table)[1].Health.counts().episodes, std::uint64_t(1));
    QCOMPARE(lk_.fx->count("show 101"), 1);
    QCOMPARE(lk_.fx->count("image 201 2"), 1);
    QCOMPARE(lk_.fx->count("image 201 0"), 1);
    const QStringList lines = lk_.fx->lines();
    QVERIFY(lines.lastIndexOf("image 201 0") > lines.lastIndexOf("commError 101"));
}

// Two-byte replies change nothing; wrong-length replies are failures like silence.
void TestLinkKvtsim::twoByteAndGarbledReplies() {
    startLink();
    QCOMPARE(lk_.sim.command("short 1"), QStringLiteral("OK short 1"));
    QVERIFY(WaitUntil([&] {
        const auto frames = framesOfThisTest();
        return std::count_if(frames.begin(), frames.end(), [](const LoggedFrame& f) {
                   return f.address == 1 && f.verdict.endsWith("reply=2");
               }) >= 3;
    }));
    const HealthCounts answering = (*lk_.table)[0].Health.counts();
    QCOMPARE(lk_.sim.command("garble 1"), QStringLiteral("OK garble 1"));
    QVERIFY(WaitUntil([&] { return lk_.fx->count("commError 100") >= 2; }));
    lk_.link->StopLink();
    QCOMPARE((*lk_.table)[0].Health.counts().episodes, answering.episodes + 1);
    QCOMPARE(lk_.fx->count("image 200 2"), 1);
}

void TestLinkKvtsim::attentionBlinks() {
    startLink();
    QCOMPARE(lk_.sim.command("attention 5 on"), QStringLiteral("OK attention 5 on"));
    QVERIFY(WaitUntil([&] { return lk_.fx->count("image 202 3") >= 3; }));
    lk_.link->StopLink();
    QStringList images = lk_.fx->lines().filter(QRegularExpression("^image 202 "));
    // Phases alternate, starting with attention.
    QVERIFY(images.size() >= 5);
    for (int i = 0; i < images.size(); ++i) {
        QCOMPARE(images[i],
                 i % 2 == 0 ? QStringLiteral("image 202 3") : QStringLiteral("image 202 0"));
    }
    QVERIFY(lk_.fx->count("cells 102 80") >= 3);
    QCOMPARE(lk_.fx->count("image 202 2"), 0);
}

// Device 2's counts through two failure episodes and their recoveries: failures pile up while it
// is silent, its last reply stays where the silence began, and each episode counts once.
void TestLinkKvtsim::healthThroughFailureAndRecovery() {
    const DeviceHealth& health = (*lk_.table)[1].Health;
    startLink();
    QVERIFY(WaitUntil([&] { return health.counts().replies >= 3; }));
    for (std::uint64_t episode = 1; episode <= 2; ++episode) {
        QCOMPARE(lk_.sim.command("silent 2"), QStringLiteral("OK silent 2"));
        QVERIFY(WaitUntil([&] { return (*lk_.table)[1].CommError.load() == 1; }));
        const HealthCounts failing = health.counts();
        QVERIFY(WaitUntil([&] { return health.counts().failures >= failing.failures + 3; }));
        const HealthCounts stillFailing = health.counts();
        QCOMPARE(stillFailing.replies, failing.replies);
        QCOMPARE(stillFailing.lastReplyNs, failing.lastReplyNs);
        QCOMPARE(stillFailing.episodes, episode);

        QCOMPARE(lk_.sim.command("normal 2"), QStringLiteral("OK normal 2"));
        QVERIFY(WaitUntil([&] { return (*lk_.table)[1].CommError.load() == 0; }));
        const HealthCounts recovered = health.counts();
        QVERIFY(recovered.replies > stillFailing.replies);
        QVERIFY(recovered.lastReplyNs > stillFailing.lastReplyNs);
        QCOMPARE(recovered.episodes, episode);
    }
    lk_.link->StopLink();
    QCOMPARE(health.counts().episodes, std::uint64_t(2));
    // The devices that kept answering saw no failure.
    for (int slot : {0, 2}) {
        const HealthCounts other = (*lk_.table)[slot].Health.counts();
        QVERIFY(other.replies >= 3);
        QCOMPARE(other.failures, std::uint64_t(0));
        QCOMPARE(other.episodes, std::uint64_t(0));
    }
}

QTEST_GUILESS_MAIN(TestLinkKvtsim)
#include "tst_linkkvtsim.moc"
