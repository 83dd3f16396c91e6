// SPDX-License-Identifier: GPL-3.0-or-later
// The link on a line behind a terminal server: ser2net on the loopback in front of kvtsim. The
// console sets the far end's line, polls and sends keys through it, gets 0xFF bytes through the
// Telnet escaping whole, survives the server going away, and allows a network line its margin.
#include "kvtsimprocess.h"
#include "link/linkcontroller.h"
#include "port/netport.h"
#include "linktestutil.h"
#include "recordingeffects.h"
#include "ser2netprocess.h"

#include <QTest>

using namespace k4;
using namespace k4test;
using namespace std::chrono_literals;

namespace {

using Conditions = std::vector<LineCondition>;

int FramesSeen(const std::vector<LoggedFrame>& frames, int address, int key) {
    return static_cast<int>(std::count_if(frames.begin(), frames.end(), [&](const LoggedFrame& f) {
        return f.address == address && f.key == key;
    }));
}

}  // namespace

class TestLinkNetwork : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void setsTheLine_data();
    void setsTheLine();
    void keyRoundTripCarries0xFF();
    void serverGoneAndBackIsOneEpisode();
    void marginCoversALateReply_data();
    void marginCoversALateReply();

private:
    bool startServer(bool rfc2217);
    void startLink(int marginMs = kDefaultMarginMs);
    bool allInError(int value) const;

    std::unique_ptr<KvtsimProcess> sim_;
    std::unique_ptr<Ser2netProcess> server_;
    std::unique_ptr<DeviceTable> table_;
    std::unique_ptr<RecordingEffects> fx_;
    std::unique_ptr<LinkController> link_;
    QStringList messages_;
};

// Devices 1, 2 and 5 on the line and in the table (panels 100..102, nodes 200..202). Device 5's
// name begins with code 0x7F, which a highlight turns into a 0xFF byte on the wire.
void TestLinkNetwork::init() {
    if (Ser2netProcess::executable().isEmpty()) {
        QSKIP("ser2net is not installed (scripts/install-deps.sh installs it)");
    }
    const QString exe = KvtsimProcess::executable();
    QVERIFY2(!exe.isEmpty(), "K4_KVTSIM must name the kvtsim executable");
    sim_ = std::make_unique<KvtsimProcess>();
    const QString error = sim_->start(
        exe, {"--ids", "1,2,5", "--name", QStringLiteral("5=\x7fX"), "--turnaround-us", "500"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    server_ = std::make_unique<Ser2netProcess>();
    table_ = std::make_unique<DeviceTable>();
    for (const std::uint8_t id : {1, 2, 5}) {
        AddLoadedDevice(*table_, id);
    }
    fx_ = std::make_unique<RecordingEffects>();
    link_ = std::make_unique<LinkController>();
    messages_.clear();
}

void TestLinkNetwork::cleanup() {
    link_.reset();
    fx_.reset();
    table_.reset();
    server_.reset();
    sim_.reset();
}

bool TestLinkNetwork::startServer(bool rfc2217) {
    // The server opens the line at 9600 8N2: only a console that sets it gets 28800 8N1. (A
    // pseudo-terminal always keeps 8 data bits without parity; speed and stop bits it keeps as
    // set.)
    const QString error = server_->start(Ser2netProcess::executable(), sim_->linkPath(), rfc2217,
                                         QStringLiteral("9600n82"));
    if (!error.isEmpty()) {
        qWarning("%s", qPrintable(error));
    }
    return error.isEmpty();
}

void TestLinkNetwork::startLink(int marginMs) {
    link_->setPortFactory([address = server_->address(), marginMs](int) {
        return MakeNetPort(address, std::chrono::milliseconds(marginMs));
    });
    link_->setEffects(fx_.get());
    link_->setMessageSink([this](const QString& text) { messages_ << text; });
    link_->StartLink(table_.get(), 3);
    QVERIFY(link_->isRunning());
}

bool TestLinkNetwork::allInError(int value) const {
    for (int slot = 0; slot < 3; ++slot) {
        if ((*table_)[slot].CommError.load() != value) {
            return false;
        }
    }
    return true;
}

// Over rfc2217 the console sets the line itself; over raw TCP the server's own settings stand.
void TestLinkNetwork::setsTheLine_data() {
    QTest::addColumn<bool>("rfc2217");
    QTest::newRow("rfc2217") << true;
    QTest::newRow("tcp") << false;
}

void TestLinkNetwork::setsTheLine() {
    QFETCH(bool, rfc2217);
    QVERIFY(startServer(rfc2217));
    startLink();
    QCOMPARE(messages_, QStringList());
    QVERIFY(WaitUntil([&] { return fx_->count("cells 100 00") > 0; }));
    QCOMPARE(sim_->command("line"),
             rfc2217 ? QStringLiteral("LINE 28800 8N1") : QStringLiteral("LINE 9600 8N2"));
    QCOMPARE(fx_->lineStates(), Conditions({LineCondition::Open}));
}

void TestLinkNetwork::keyRoundTripCarries0xFF() {
    QVERIFY(startServer(true));
    startLink();
    QVERIFY(WaitUntil([&] { return fx_->row(100, 0).startsWith("ID=1 "); }));
    QVERIFY(WaitUntil([&] { return fx_->row(102, 0).startsWith("ID=5 \x7fX"); }));
    // Key 7 highlights column 5 of device 5's top row: its cell 0x7F goes out as 0xFF.
    QVERIFY(link_->QueueCommand(5, 7));
    QVERIFY(WaitUntil([&] { return FramesSeen(sim_->frames(), 5, 7) == 1; }));
    QVERIFY(WaitUntil([&] { return fx_->row(102, 1).startsWith("Key 7"); }));
    // Only device 5 writes its cells from here on, so the last cells written are its own.
    (*table_)[0].flags.store(0);
    (*table_)[1].flags.store(0);
    fx_->take();
    QVERIFY(WaitUntil([&] { return fx_->count("cells 102 00") >= 2; }));
    link_->StopLink();
    const DisplayCells cells = fx_->lastCells();
    QCOMPARE(cells[5], std::uint8_t{0xFF});  // highlighted 0x7F
    QCOMPARE(cells[4], std::uint8_t{' '});
    QCOMPARE(cells[6], std::uint8_t{'X'});
}

// The server going away is a lost line: each device fails once, the link calls again about once
// a second, and polling resumes by itself when the server is back.
void TestLinkNetwork::serverGoneAndBackIsOneEpisode() {
    QVERIFY(startServer(true));
    startLink();
    QVERIFY(WaitUntil([&] {
        return fx_->count("cells 100 00") > 0 && fx_->count("cells 102 00") > 0 && allInError(0);
    }));
    // Counted from here: a reply missed on a busy machine before is not the server's doing.
    const auto episodeCounts = [&] {
        QList<int> counts{fx_->count("beep")};
        for (int slot = 0; slot < 3; ++slot) {
            counts << fx_->count(QStringLiteral("image %1 2").arg(200 + slot))
                   << fx_->count(QStringLiteral("show %1").arg(100 + slot));
        }
        return counts;
    };
    const QList<int> before = episodeCounts();
    server_->stop();
    QVERIFY(WaitUntil([&] { return allInError(1); }));
    // 50 failed polls of one device take 1.5 s at least: a call has been refused meanwhile.
    QVERIFY(WaitUntil([&] { return fx_->count("commError 102") >= 50; }));
    const QList<int> during = episodeCounts();
    for (int i = 0; i < before.size(); ++i) {
        QCOMPARE(during[i] - before[i], i == 0 ? 3 : 1);  // one beep each, one picture, one raise
    }
    QVERIFY(startServer(true));
    QVERIFY(WaitUntil([&] { return allInError(0); }));
    const int polls = FramesSeen(sim_->frames(), 5, 0);
    QVERIFY(WaitUntil([&] { return FramesSeen(sim_->frames(), 5, 0) >= polls + 3; }));
    link_->StopLink();
    QCOMPARE(fx_->lineStates(), Conditions({LineCondition::Open, LineCondition::Lost,
                                            LineCondition::Open, LineCondition::Closed}));
    QCOMPARE(messages_, QStringList());
}

// Every reply of device 1 starts 50 ms late: beyond the local 40 ms, within 40 ms + a margin.
// The first exchange of the link is device 1's, with nothing late on the line before it.
void TestLinkNetwork::marginCoversALateReply_data() {
    QTest::addColumn<int>("marginMs");
    QTest::addColumn<QString>("firstOutcome");
    QTest::newRow("margin") << 500 << "cells 100 00";
    QTest::newRow("no margin") << 0 << "commError 100";
}

void TestLinkNetwork::marginCoversALateReply() {
    QFETCH(int, marginMs);
    QFETCH(QString, firstOutcome);
    QVERIFY(startServer(true));
    QCOMPARE(sim_->command("pause 1 0 50"), QStringLiteral("OK pause 1 0 50"));
    startLink(marginMs);
    const auto isOutcome = [](const QString& line) {
        return line == QLatin1String("cells 100 00") || line == QLatin1String("commError 100");
    };
    QVERIFY(WaitUntil([&] {
        const QStringList lines = fx_->lines();
        return std::any_of(lines.begin(), lines.end(), isOutcome);
    }));
    const QStringList lines = fx_->lines();
    QCOMPARE(*std::find_if(lines.begin(), lines.end(), isOutcome), firstOutcome);
}

QTEST_GUILESS_MAIN(TestLinkNetwork)
#include "tst_linknetwork.moc"
