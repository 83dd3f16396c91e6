// The port itself goes away and comes back (kvtsim unplugs and replugs its line): the link closes
// the failed port, every device fails once, and polling resumes on its own once the line is back.
#include "kvtsimprocess.h"
#include "link/linkcontroller.h"
#include "link/qtserialio.h"
#include "linktestutil.h"
#include "recordingeffects.h"

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

private:
    void startLink(const QString& path);
    bool allInError(int value) const;
    QList<int> episodeCounts() const;

    std::unique_ptr<KvtsimProcess> sim_;
    std::unique_ptr<DeviceTable> table_;
    std::unique_ptr<RecordingEffects> fx_;
    std::unique_ptr<LinkController> link_;
    QStringList messages_;
    int opens_ = 0;
};

// One kvtsim for every test: devices 1, 2 and 5 on the line.
void TestLinkPortLoss::initTestCase() {
    sim_ = std::make_unique<KvtsimProcess>();
    const QString error = sim_->start({"--ids", "1,2,5", "--turnaround-us", "500"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestLinkPortLoss::cleanupTestCase() {
    sim_.reset();
}

// The same three devices in the table (panels 100..102, nodes 200..202).
void TestLinkPortLoss::init() {
    table_ = std::make_unique<DeviceTable>();
    for (const std::uint8_t id : {1, 2, 5}) {
        AddLoadedDevice(*table_, id);
    }
    fx_ = std::make_unique<RecordingEffects>();
    link_ = std::make_unique<LinkController>();
    messages_.clear();
    opens_ = 0;
}

void TestLinkPortLoss::cleanup() {
    link_.reset();
    fx_.reset();
    table_.reset();
    sim_->command(QStringLiteral("replug"));  // the line is back for the next test, if it went
}

void TestLinkPortLoss::startLink(const QString& path) {
    link_->setPortFactory([this, path](int) {
        ++opens_;  // link thread only, read after StopLink
        return std::make_unique<QtSerialIo>(path);
    });
    link_->setEffects(fx_.get());
    link_->setMessageSink([this](const QString& text) { messages_ << text; });
    link_->StartLink(table_.get(), 1);
    QVERIFY(link_->isRunning());
}

bool TestLinkPortLoss::allInError(int value) const {
    for (int slot = 0; slot < 3; ++slot) {
        if ((*table_)[slot].CommError.load() != value) {
            return false;
        }
    }
    return true;
}

// Counts of what a failure episode does to each device, so that a device that missed a reply on
// a busy machine before the line went cannot be mistaken for one the loss failed twice.
QList<int> TestLinkPortLoss::episodeCounts() const {
    QList<int> counts{fx_->count("beep")};
    for (int slot = 0; slot < 3; ++slot) {
        counts << fx_->count(QStringLiteral("show %1").arg(100 + slot))
               << fx_->count(QStringLiteral("image %1 2").arg(200 + slot));
    }
    return counts;
}

void TestLinkPortLoss::dropAndReturn() {
    startLink(sim_->linkPath());
    QVERIFY(WaitUntil([&] {
        return fx_->count("cells 100 00") > 0 && fx_->count("cells 102 00") > 0 && allInError(0);
    }));
    const QList<int> before = episodeCounts();

    QCOMPARE(sim_->command("unplug"), QStringLiteral("OK unplug"));
    QVERIFY(WaitUntil([&] { return allInError(1); }));
    // Each device keeps failing quietly; 50 polls of one device take 1.5 s at least, so one
    // reopening has failed meanwhile.
    QVERIFY(WaitUntil([&] { return fx_->count("commError 102") >= 50; }));
    QCOMPARE(fx_->lineStates(), Conditions({LineCondition::Open, LineCondition::Lost}));
    // One failure episode per device: one beep, one raise, one red picture each.
    const QList<int> during = episodeCounts();
    for (int i = 0; i < before.size(); ++i) {
        QCOMPARE(during[i] - before[i], i == 0 ? 3 : 1);
    }

    const std::int64_t replugUs = LastFrameUs(sim_->frames());
    const int cells100 = fx_->count("cells 100 00");
    const int cells102 = fx_->count("cells 102 00");
    QCOMPARE(sim_->command("replug"), QStringLiteral("OK replug"));
    QVERIFY(WaitUntil([&] { return allInError(0); }));
    QVERIFY(WaitUntil([&] {
        const auto frames = sim_->frames();
        return PollsAfter(frames, replugUs + 1, 1) >= 2 && PollsAfter(frames, replugUs + 1, 5) >= 2;
    }));
    // The displays are the devices' own again. (A reply that comes too late on a busy machine
    // lands in the next device's read, as on any line; the next poll puts it right.)
    QVERIFY(WaitUntil([&] {
        return fx_->count("cells 100 00") > cells100 && fx_->count("cells 102 00") > cells102 &&
               fx_->row(100, 0).startsWith("ID=1 ") && fx_->row(102, 0).startsWith("ID=5 ");
    }));
    link_->StopLink();

    QCOMPARE(fx_->lineStates(), Conditions({LineCondition::Open, LineCondition::Lost,
                                            LineCondition::Open, LineCondition::Closed}));
    QVERIFY2(opens_ >= 3, qPrintable(QString::number(opens_)));  // at least one failed reopening
    QCOMPARE(messages_, QStringList());
    const QString stats = sim_->command("stats");
    QVERIFY2(stats.contains(" bad=0 "), qPrintable(stats));
}

void TestLinkPortLoss::stopWhilePortIsGone() {
    startLink(sim_->linkPath());
    QVERIFY(WaitUntil([&] { return fx_->count("cells 100 00") > 0; }));
    QCOMPARE(sim_->command("unplug"), QStringLiteral("OK unplug"));
    QVERIFY(WaitUntil([&] {
        return fx_->lineStates() == Conditions({LineCondition::Open, LineCondition::Lost});
    }));
    // Held up by one tick and at most one reopening, never by a wait for the line.
    link_->StopLink();
    QVERIFY(!link_->isRunning());
    QCOMPARE(fx_->lineStates(),
             Conditions({LineCondition::Open, LineCondition::Lost, LineCondition::Closed}));
}

QTEST_GUILESS_MAIN(TestLinkPortLoss)
#include "tst_linkportloss.moc"
