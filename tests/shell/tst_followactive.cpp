// SPDX-License-Identifier: GPL-3.0-or-later
// The console on kvtsim with displays that stand still: "Follow active panel" remembered across
// a restart and followed on the wire, and only a reply that changes a display repaints it.
#include "linefixture.h"
#include "manager/kvtmanager.h"
#include "panel/mdichild.h"
#include "panel/panelparts.h"

#include <QMdiArea>
#include <QMdiSubWindow>

using k4::App;
using k4test::kPatienceMs;
using k4test::ProgramRun;

namespace {

class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

bool ShowsText(const k4::TMDIChild* panel, const QByteArray& text) {
    QByteArray shown;
    for (const std::uint8_t cell : panel->LCDBuffer) {
        shown += char(cell & 0x7F);
    }
    return shown.contains(text);
}

}  // namespace

class TestFollowActive : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init() { QVERIFY(fx_.begin()); }
    void cleanup() { fx_.end(); }
    void cleanupTestCase() { fx_.finish(); }
    void settingSurvivesRestart();
    void activePanelsDeviceEveryOtherPoll();
    void onlyAChangedReplyRepaints();

private:
    // Polls kvtsim has seen after the next n more.
    bool waitForPolls(int n) {
        const int target = k4test::PollsSeen(fx_.line) + n;
        return QTest::qWaitFor([&] { return k4test::PollsSeen(fx_.line) >= target; }, kPatienceMs);
    }
    k4test::LineFixture fx_;
};

void TestFollowActive::initTestCase() {
    const QString error =
        fx_.line.start(k4test::KvtsimProcess::executable(), {"--ids", "1,2,3", "--still"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    fx_.pump = k4::WireLink();
}

void TestFollowActive::settingSurvivesRestart() {
    QVERIFY(fx_.mapPortToLine());
    const QByteArray before = k4test::ReadBytes(fx_.settingsPath());
    {
        ProgramRun run(fx_.folder());
        QVERIFY(run.startUp());
        QVERIFY(run.item("FollowActive")->isCheckable());
        QVERIFY(!run.item("FollowActive")->isChecked());
        run.item("FollowActive")->trigger();
        QVERIFY(run.item("FollowActive")->isChecked());
        QCOMPARE(k4test::ReadBytes(fx_.settingsPath()),
                 before + "[KVT_WORKSPACE]\r\nFollowActive=1\r\n");
    }
    ProgramRun again(fx_.folder());
    QVERIFY(again.startUp());
    QVERIFY(again.item("FollowActive")->isChecked());
}

// Device 2's panel active: every other poll is device 2's, and of every six polls it gets four
// (three followed ones and its own round-robin turn).
void TestFollowActive::activePanelsDeviceEveryOtherPoll() {
    QVERIFY(!fx_.startsWithRack({{1, "Alpha"}, {2, "Beta"}, {3, "Gamma"}}).isEmpty());
    QVERIFY(k4::WriteFollowActive(fx_.settingsPath(), true));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    run.form->mdiArea()->setActiveSubWindow(App().Manager->panelOf(1)->subWindow());
    const std::size_t from = fx_.line.frames().size() + 1;  // one exchange may be under way
    QVERIFY(waitForPolls(13));
    const std::vector<k4test::LoggedFrame> frames = fx_.line.frames();
    QVERIFY(frames.size() >= from + 12);
    QList<int> addresses;
    for (std::size_t i = from; i < from + 12; ++i) {
        addresses << frames[i].address;
    }
    QList<int> even;
    QList<int> odd;
    for (int i = 0; i < addresses.size(); ++i) {
        (i % 2 == 0 ? even : odd) << addresses[i];
    }
    QVERIFY2(even == QList<int>(6, 2) || odd == QList<int>(6, 2), "device 2 not every other poll");
    QCOMPARE(addresses.count(2), 8);

    // Cleared: the plain round robin again.
    run.item("FollowActive")->trigger();
    QVERIFY(waitForPolls(8));
    const std::vector<k4test::LoggedFrame> after = fx_.line.frames();
    QList<int> plain;
    for (std::size_t i = after.size() - 6; i < after.size(); ++i) {
        plain << after[i].address;
    }
    QCOMPARE(plain.count(2), 2);
}

void TestFollowActive::onlyAChangedReplyRepaints() {
    QVERIFY(!fx_.startsWithRack({{1, "Alpha"}}).isEmpty());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    k4::TMDIChild* panel = App().Manager->panelOf(0);
    PaintCounter counter(panel->StringGrid1);
    QTRY_VERIFY_WITH_TIMEOUT(ShowsText(panel, "ID=1"), kPatienceMs);
    QVERIFY(waitForPolls(3));
    QCoreApplication::processEvents();
    const int painted = counter.paints;
    QVERIFY(waitForPolls(5));  // five more replies, all the same display
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, painted);

    panel->Button17Click();  // "T": the device names the key on its display
    QTRY_VERIFY_WITH_TIMEOUT(ShowsText(panel, "Key 126"), kPatienceMs);
    QTRY_VERIFY_WITH_TIMEOUT(counter.paints > painted, kPatienceMs);
}

QTEST_MAIN(TestFollowActive)
#include "tst_followactive.moc"
