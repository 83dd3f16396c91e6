// SPDX-License-Identifier: GPL-3.0-or-later
// A macro run on a simulated line: devices 1, 2 and 5 on it, 1 and 5 marked. What kvtsim saw is
// the judge; the run's pauses are measured on a clock the test moves. A full application: a
// failing device beeps.
#include "core/devicetable.h"
#include "kvtsimprocess.h"
#include "link/linkcontroller.h"
#include "link/linkpump.h"
#include "link/linkupdatequeue.h"
#include "macro/macrorunner.h"
#include "port/qtserialio.h"
#include "state/viewregistry.h"

#include <QRegularExpression>
#include <QTest>

using namespace k4;
using namespace k4test;
using namespace std::chrono_literals;

class TestMacroRunKvtsim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void markedDevicesGetTheirKeysInOrder();
    void silentDeviceFailsOnceAndStopEndsTheRun();
    void stoppedRefusedAndSwitchedRunsCountWhatWentOut();

private:
    void startRun(const QString& keys);
    // Waits until kvtsim has seen n more polls of every device: the line went round meanwhile.
    bool linePolledRound(int n) const;
    // Keys kvtsim received, to every device together.
    int keysSeen() const;

    std::unique_ptr<KvtsimProcess> sim_;
    DeviceTable table_;
    std::unique_ptr<LinkUpdateQueue> updates_;
    ViewRegistry views_;
    std::unique_ptr<LinkPump> pump_;
    std::unique_ptr<LinkController> link_;
    std::unique_ptr<MacroRunner> runner_;
    MacroRun::Clock::time_point now_ = MacroRun::Clock::time_point{} + 1h;
    QString status_;
};

void TestMacroRunKvtsim::init() {
    sim_ = std::make_unique<KvtsimProcess>();
    const QString error =
        sim_->start(KvtsimProcess::executable(), {"--ids", "1,2,5", "--turnaround-us", "500"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    table_.reset();
    for (std::uint8_t id : {1, 2, 5}) {
        const int slot = table_.lastIndex() + 1;
        table_[slot].DevID.store(id);
        table_[slot].flags.store(kInUseFlag);
        table_.setLastIndex(slot);
    }
    updates_ = std::make_unique<LinkUpdateQueue>();
    pump_ = std::make_unique<LinkPump>(*updates_, views_);
    link_ = std::make_unique<LinkController>();
    const QString path = sim_->linkPath();
    link_->setPortFactory([path](int) { return std::make_unique<QtSerialIo>(path); });
    link_->setEffects(updates_.get());
    link_->StartLink(&table_, 1);
    QVERIFY(link_->isRunning());

    runner_ = std::make_unique<MacroRunner>(
        [this](std::uint8_t address, std::uint8_t key, CommandOwner ticket) {
            return link_->QueueCommand(address, key, ticket);
        },
        [this](CommandOwner ticket) { return link_->TakeBackCommands(ticket); });
    runner_->setClock([this] { return now_; });
    runner_->setLinkEpoch([this] { return link_->generation(); });
    views_.setKeyListener(
        [this](std::uint8_t address, std::uint8_t key, bool failed, CommandOwner owner) {
            runner_->keyEnded(address, key, failed, owner);
        });
    connect(runner_.get(), &MacroRunner::statusChanged, this,
            [this](const QString& text) { status_ = text; });
}

void TestMacroRunKvtsim::cleanup() {
    link_.reset();
    views_.setKeyListener({});
    runner_.reset();
    pump_.reset();
    updates_.reset();
    sim_.reset();
}

void TestMacroRunKvtsim::startRun(const QString& keys) {
    runner_->start(QStringLiteral("Setup A"), ParseMacroKeys(keys).steps, {1, 5});
}

bool TestMacroRunKvtsim::linePolledRound(int n) const {
    const auto polls = [this] {
        std::map<int, int> count;
        for (const LoggedFrame& f : sim_->frames()) {
            count[f.address] += f.key == 0 ? 1 : 0;
        }
        return count;
    };
    std::map<int, int> before = polls();
    return QTest::qWaitFor(
        [&] {
            std::map<int, int> now = polls();
            return now[1] >= before[1] + n && now[2] >= before[2] + n && now[5] >= before[5] + n;
        },
        20000);
}

void TestMacroRunKvtsim::markedDevicesGetTheirKeysInOrder() {
    startRun(QStringLiteral("T 3 p1000 + S"));
    // An operator's click of the very key device 1 waits for is not the run's key.
    views_.keyExchanged(1, 126, false, kNoOwner);
    QCOMPARE(status_, QStringLiteral("Macro 'Setup A': 0 of 8 keys"));
    QTRY_COMPARE_WITH_TIMEOUT(status_, QStringLiteral("Macro 'Setup A': 4 of 8 keys"), 20000);
    // Both devices wait in their pause, and the line goes on polling every device meanwhile.
    QVERIFY(linePolledRound(3));
    QCOMPARE(sim_->keysTo(1), QList<int>({126, 3}));
    QCOMPARE(sim_->keysTo(5), QList<int>({126, 3}));
    now_ += 1000ms;
    QTRY_VERIFY_WITH_TIMEOUT(!runner_->running(), 20000);
    QCOMPARE(status_, QStringLiteral("Macro 'Setup A': 2 devices done"));
    QCOMPARE(sim_->keysTo(1), QList<int>({126, 3, 4, 127}));
    QCOMPARE(sim_->keysTo(5), QList<int>({126, 3, 4, 127}));
    QCOMPARE(sim_->keysTo(2), QList<int>());
}

void TestMacroRunKvtsim::silentDeviceFailsOnceAndStopEndsTheRun() {
    QCOMPARE(sim_->command("silent 5"), QStringLiteral("OK silent 5"));
    startRun(QStringLiteral("T 3 p1000 S"));
    QTRY_COMPARE_WITH_TIMEOUT(status_, QStringLiteral("Macro 'Setup A': 3 of 6 keys"), 20000);
    QVERIFY(linePolledRound(3));
    QCOMPARE(sim_->keysTo(5), QList<int>({126}));
    QCOMPARE(sim_->keysTo(1), QList<int>({126, 3}));

    runner_->stop();
    QVERIFY(!runner_->running());
    QCOMPARE(status_, QStringLiteral("Macro 'Setup A': stopped after 3 of 6 keys"));
    now_ += 1000ms;
    QVERIFY(linePolledRound(3));
    QCOMPARE(sim_->keysTo(1), QList<int>({126, 3}));
    QCOMPARE(sim_->keysTo(5), QList<int>({126}));
}

int TestMacroRunKvtsim::keysSeen() const {
    int keys = 0;
    for (const LoggedFrame& f : sim_->frames()) {
        keys += f.key != 0 ? 1 : 0;
    }
    return keys;
}

void TestMacroRunKvtsim::stoppedRefusedAndSwitchedRunsCountWhatWentOut() {
    // Stopped at once: the keys still queued are taken back, a key the link had begun is counted.
    runner_->start(QStringLiteral("Setup A"), ParseMacroKeys(QStringLiteral("T 3 S")).steps,
                   {1, 2, 5});
    runner_->stop();
    QTRY_VERIFY_WITH_TIMEOUT(!runner_->running(), 20000);
    QVERIFY(linePolledRound(2));
    static const QRegularExpression stopped(
        QStringLiteral("^Macro 'Setup A': stopped after (\\d) of 9 keys$"));
    const QRegularExpressionMatch count = stopped.match(status_);
    QVERIFY2(count.hasMatch(), qPrintable(status_));
    QCOMPARE(count.captured(1).toInt(), keysSeen());
    const int afterStop = keysSeen();

    // A second press of the running macro, and a press of another, neither restart nor mix.
    startRun(QStringLiteral("T p1000 3"));
    QTRY_COMPARE_WITH_TIMEOUT(status_, QStringLiteral("Macro 'Setup A': 2 of 4 keys"), 20000);
    QVERIFY(!runner_->start(QStringLiteral("Setup A"), ParseMacroKeys("T p1000 3").steps, {1, 5}));
    QCOMPARE(status_, QStringLiteral("Macro 'Setup A' not started: macro 'Setup A' is running"));
    QVERIFY(!runner_->start(QStringLiteral("Setup B"), ParseMacroKeys("S 5").steps, {2}));
    QCOMPARE(status_, QStringLiteral("Macro 'Setup B' not started: macro 'Setup A' is running"));
    now_ += 1000ms;
    QTRY_VERIFY_WITH_TIMEOUT(!runner_->running(), 20000);
    QCOMPARE(status_, QStringLiteral("Macro 'Setup A': 2 devices done"));
    QVERIFY(linePolledRound(2));
    QCOMPARE(keysSeen(), afterStop + 4);

    // Switched once the run has ended: the other macro goes out whole, after the first.
    QVERIFY(runner_->start(QStringLiteral("Setup B"), ParseMacroKeys("S 5").steps, {2, 5}));
    QTRY_VERIFY_WITH_TIMEOUT(!runner_->running(), 20000);
    QCOMPARE(status_, QStringLiteral("Macro 'Setup B': 2 devices done"));
    QVERIFY(linePolledRound(2));
    QCOMPARE(keysSeen(), afterStop + 8);
    QCOMPARE(sim_->keysTo(2).mid(sim_->keysTo(2).size() - 2), QList<int>({127, 5}));
    QCOMPARE(sim_->keysTo(5).mid(sim_->keysTo(5).size() - 4), QList<int>({126, 3, 127, 5}));
}

QTEST_MAIN(TestMacroRunKvtsim)
#include "tst_macrorunkvtsim.moc"
