// The line scan on a kvtsim line: which addresses answer, found between the workspace's own polls,
// and a scan that is stopped probes no further.
#include "kvtsimprocess.h"
#include "link/linescan.h"
#include "link/linkcontroller.h"
#include "link/qtserialio.h"
#include "linktestutil.h"
#include "recordingeffects.h"

#include <QTest>

#include <algorithm>

using namespace k4;
using namespace k4test;

namespace {

int FramesTo(const std::vector<LoggedFrame>& frames, std::int64_t sinceUs, bool toThree) {
    return static_cast<int>(std::count_if(frames.begin(), frames.end(), [&](const LoggedFrame& f) {
        return f.timeUs > sinceUs && (f.address == 3) == toThree;
    }));
}

}  // namespace

class TestLineScan : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void findsTheNewDevicesWhilePollingGoesOn();
    void stopEndsTheScan();
    void answerTexts();

private:
    std::unique_ptr<KvtsimProcess> sim_;
    std::unique_ptr<DeviceTable> table_;
    std::unique_ptr<RecordingEffects> effects_;
    std::unique_ptr<LineCapture> capture_;
    std::unique_ptr<LineScan> scan_;
    std::unique_ptr<LinkController> link_;
};

// Devices 3, 17 (two-byte replies) and 99 (bad replies) on the line; only 3 in the workspace.
void TestLineScan::init() {
    if (QByteArray(QTest::currentTestFunction()) == "answerTexts") {
        return;
    }
    const QString exe = KvtsimProcess::executable();
    QVERIFY2(!exe.isEmpty(), "K4_KVTSIM must name the kvtsim executable");
    sim_ = std::make_unique<KvtsimProcess>();
    const QString error =
        sim_->start(exe, {"--ids", "3,17,99", "--garble", "99", "--chunk-bytes", "51"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(sim_->command("short 17"), QStringLiteral("OK short 17"));
    table_ = std::make_unique<DeviceTable>();
    AddLoadedDevice(*table_, 3);
    effects_ = std::make_unique<RecordingEffects>();
    capture_ = std::make_unique<LineCapture>();
    scan_ = std::make_unique<LineScan>();
    link_ = std::make_unique<LinkController>();
    const QString path = sim_->linkPath();
    link_->setPortFactory([path](int) { return std::make_unique<QtSerialIo>(path); });
    link_->setEffects(effects_.get());
    link_->setLineTools(capture_.get(), scan_.get());
    link_->StartLink(table_.get(), 1);
    QVERIFY(WaitUntil([&] { return effects_->count("cells 100 00") > 0; }));
}

void TestLineScan::cleanup() {
    link_.reset();
    scan_.reset();
    capture_.reset();
    effects_.reset();
    table_.reset();
    sim_.reset();
}

void TestLineScan::findsTheNewDevicesWhilePollingGoesOn() {
    const int cellsBefore = effects_->count("cells 100 00");
    QVERIFY(scan_->start(0, 127));
    QVERIFY(WaitUntil([&] { return !scan_->progress().running; }, std::chrono::seconds(60)));
    QCOMPARE(scan_->progress().done, 128);

    QStringList found;
    for (const ScanFinding& f : scan_->takeFindings()) {
        found << QStringLiteral("%1 %2 %3")
                     .arg(f.id)
                     .arg(f.inWorkspace ? "held" : "new")
                     .arg(f.answer == ScanFinding::Answer::Display   ? "display"
                          : f.answer == ScanFinding::Answer::TwoByte ? "two-byte"
                                                                     : "bad");
    }
    QCOMPARE(found, QStringList({"3 held display", "17 new two-byte", "99 new bad"}));
    // Device 3 kept being polled: every other tick is its, 125 probes take 125 ticks or more.
    QVERIFY(effects_->count("cells 100 00") - cellsBefore >= 100);
    // No probe touched a record or a view: only device 3's own effects were made.
    for (const QString& line : effects_->lines()) {
        QVERIFY2(line.contains(QStringLiteral("100")) || line.contains(QStringLiteral("200")) ||
                     line == QStringLiteral("tree"),
                 qPrintable(line));
    }
}

void TestLineScan::stopEndsTheScan() {
    QVERIFY(scan_->start(0, 127));
    QVERIFY(WaitUntil([&] { return scan_->progress().done >= 5; }));
    scan_->stop();
    QVERIFY(!scan_->progress().running);
    // A probe may still be on the line: once device 3 has been polled twice more, none is.
    const auto polledOfThree = [&] { return FramesTo(sim_->frames(), 0, true); };
    const int polls = polledOfThree();
    QVERIFY(WaitUntil([&] { return polledOfThree() >= polls + 2; }));
    const std::int64_t since = sim_->frames().back().timeUs;
    QVERIFY(WaitUntil([&] { return polledOfThree() >= polls + 20; }));
    QCOMPARE(FramesTo(sim_->frames(), since, false), 0);
    QVERIFY(scan_->progress().done < 128);
}

void TestLineScan::answerTexts() {
    ScanFinding f;
    f.id = 17;
    f.firstRow = QStringLiteral("  Pump 2   ");
    QCOMPARE(ScanAnswerText(f), QStringLiteral("display reply: Pump 2"));
    QCOMPARE(FoundDeviceName(f), QStringLiteral("Pump 2"));
    f.firstRow = QString(24, QLatin1Char(' '));
    QCOMPARE(FoundDeviceName(f), QStringLiteral("Device 17"));
    f.answer = ScanFinding::Answer::Bad;
    f.length = 30;
    QCOMPARE(ScanAnswerText(f), QStringLiteral("answers, bad reply (30 bytes)"));
}

QTEST_GUILESS_MAIN(TestLineScan)
#include "tst_linescan.moc"
