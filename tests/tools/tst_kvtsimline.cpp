// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated line without I/O: which frames get answered, the pacing of replies, the control
// commands, the counts, the frame log and the demo schedule.
#include <QtTest>

#include <string>
#include <vector>

#include "simulator.h"

using kvtsim::LinePacer;
using kvtsim::Nanos;
using kvtsim::ReplyMode;
using kvtsim::Simulator;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(ReplyMode)

namespace {

constexpr Nanos kSecond = 1'000'000'000LL;
constexpr Nanos kTurnaround = 1'000'000;
constexpr Nanos kByte = kvtsim::kByteTimeNs;

void Send(Simulator& sim, std::uint8_t address, std::uint8_t key, Nanos now) {
    const auto frame = kvtsim::MakeRequest(address, key);
    sim.OnLineBytes(frame.data(), frame.size(), now);
}

// Everything the pacer lets out up to `until`, with the time of each release.
struct Release {
    Nanos at;
    Bytes bytes;
    bool leakedEarly;  // something came out one nanosecond before the release time
};
std::vector<Release> DrainUntil(LinePacer& pacer, Nanos until) {
    std::vector<Release> releases;
    while (!pacer.Idle() && pacer.NextRelease() <= until) {
        const Nanos at = pacer.NextRelease();
        const bool leaked = !pacer.TakeDue(at - 1).empty();
        releases.push_back({at, pacer.TakeDue(at), leaked});
    }
    return releases;
}

Bytes Joined(const std::vector<Release>& releases) {
    Bytes all;
    for (const Release& release : releases) {
        all.insert(all.end(), release.bytes.begin(), release.bytes.end());
    }
    return all;
}

}  // namespace

class TestKvtsimLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void repliesLeaveNoEarlierThanTheLine_data();
    void repliesLeaveNoEarlierThanTheLine();
    void secondReplyWaitsForTheLine();
    void pacingCountsLateWrites();
    void onlyEmulatedDevicesAnswer();
    void statsCountEveryKindOfFrame();
    void commandsAnswerAndApply_data();
    void commandsAnswerAndApply();
    void pauseKeepsTheLineQuiet_data();
    void pauseKeepsTheLineQuiet();
    void badCommandsAreRefused_data();
    void badCommandsAreRefused();
    void addedDeviceAnswersAndRemovedDoesNot();
    void unplugDropsTheLineAndReplugBringsANewOne();
    void frameLogHasOneLinePerFrame();
    void demoRaisesAttentionAndDropsDevice();
    void demoLeavesCommandsAloneBetweenEdges();
};

void TestKvtsimLine::repliesLeaveNoEarlierThanTheLine_data() {
    QTest::addColumn<int>("chunkBytes");
    for (int chunk : {1, 4, 8, 51}) {
        QTest::addRow("%d-byte chunks", chunk) << chunk;
    }
}

void TestKvtsimLine::repliesLeaveNoEarlierThanTheLine() {
    QFETCH(int, chunkBytes);
    Simulator sim(kTurnaround, static_cast<std::size_t>(chunkBytes));
    sim.AddDevice(1, "Device 1");
    const Nanos received = 5 * kSecond;
    Send(sim, 1, 0, received);
    const Nanos start = received + kTurnaround;
    const auto releases = DrainUntil(sim.Pacer(), start + kSecond);
    QVERIFY(sim.Pacer().Idle());
    const Bytes reply = Joined(releases);
    QCOMPARE(reply.size(), kvtsim::kDisplayReplySize);
    QCOMPARE(reply[1] & 0x7F, int('I'));
    // Byte i may be seen only once a real line would have finished sending it.
    std::size_t sent = 0;
    for (const Release& release : releases) {
        QVERIFY(!release.leakedEarly);
        QVERIFY(int(release.bytes.size()) <= chunkBytes);
        sent += release.bytes.size();
        QCOMPARE(release.at, start + Nanos(sent) * kByte);
    }
    QCOMPARE(releases.back().at - received, kTurnaround + 51 * kByte);
    QVERIFY(releases.back().at - start >= 17'700'000);
}

void TestKvtsimLine::secondReplyWaitsForTheLine() {
    Simulator sim(kTurnaround);
    sim.AddDevice(1, "Device 1");
    sim.AddDevice(2, "Device 2");
    Send(sim, 1, 0, 0);
    Send(sim, 2, 0, 2'000'000);  // arrives while the first reply is still going out
    const auto releases = DrainUntil(sim.Pacer(), kSecond);
    const Bytes both = Joined(releases);
    QCOMPARE(both.size(), 2 * kvtsim::kDisplayReplySize);
    QCOMPARE(both[1 + 3] & 0x7F, int('1'));
    QCOMPARE(both[51 + 1 + 3] & 0x7F, int('2'));
    QCOMPARE(releases.back().at, kTurnaround + 102 * kByte);
}

void TestKvtsimLine::pacingCountsLateWrites() {
    Simulator sim(kTurnaround, 4);
    sim.AddDevice(1, "Device 1");
    QCOMPARE(sim.OnCommand("pacing", 0).text,
             std::string("PACING writes=0 late_avg_us=0 late_max_us=0 late_over_1ms=0"));
    Send(sim, 1, 0, 0);
    DrainUntil(sim.Pacer(), kSecond);  // every chunk taken exactly at its release time
    QCOMPARE(sim.OnCommand("pacing", 0).text,
             std::string("PACING writes=13 late_avg_us=0 late_max_us=0 late_over_1ms=0"));
    // A reply taken all at once 3 ms after its last byte was due: 13 chunks, 3 ms late and more.
    Send(sim, 1, 0, kSecond);
    const Nanos lastDue = kSecond + kTurnaround + 51 * kByte;
    QCOMPARE(sim.Pacer().TakeDue(lastDue + 3'000'000).size(), kvtsim::kDisplayReplySize);
    const kvtsim::PacingStats& pacing = sim.Pacer().Pacing();
    QCOMPARE(pacing.writes, 26u);
    QCOMPARE(pacing.lateMax, Nanos(3'000'000 + 51 * kByte - 4 * kByte));
    QCOMPARE(pacing.lateOverMs, 13u);
}

void TestKvtsimLine::onlyEmulatedDevicesAnswer() {
    Simulator sim(kTurnaround);
    sim.AddDevice(5, "Encoder A");
    Send(sim, 4, 0, 0);
    Send(sim, 6, 126, 0);
    QVERIFY(sim.Pacer().Idle());
    const Bytes badCheck = {0xFD, 5, 0, 0x7A};
    sim.OnLineBytes(badCheck.data(), badCheck.size(), 0);
    QVERIFY(sim.Pacer().Idle());
    Send(sim, 5, 0, 0);
    QVERIFY(!sim.Pacer().Idle());
}

void TestKvtsimLine::statsCountEveryKindOfFrame() {
    Simulator sim(kTurnaround);
    sim.AddDevice(1, "Device 1");
    sim.AddDevice(5, "Device 5");
    sim.OnCommand("silent 5", 0);
    Send(sim, 1, 0, 0);
    Send(sim, 5, 0, 0);   // silent, still a poll that reached it
    Send(sim, 5, 16, 0);  // key
    Send(sim, 9, 0, 0);   // not ours
    const Bytes junk = {0x01, 0x02, 0xFD, 0x01, 0x00, 0x06};  // noise, then a bad check
    sim.OnLineBytes(junk.data(), junk.size(), 0);
    const auto& stats = sim.Stats();
    QCOMPARE(stats.frames, 6u);
    QCOMPARE(stats.bad, 2u);
    QCOMPARE(stats.polls, 2u);
    QCOMPARE(stats.keys, 1u);
    QCOMPARE(sim.OnCommand("stats", 0).text, std::string("STATS frames=6 bad=2 polls=2 keys=1"));
}

void TestKvtsimLine::commandsAnswerAndApply_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<ReplyMode>("mode");
    QTest::addColumn<bool>("attention");
    QTest::addColumn<int>("replySize");
    QTest::newRow("silent") << "normal 3"
                            << "silent 3"
                            << "OK silent 3" << ReplyMode::Silent << false << 0;
    QTest::newRow("short") << "normal 3"
                           << "short 3"
                           << "OK short 3" << ReplyMode::Short << false << 2;
    QTest::newRow("garble") << "normal 3"
                            << "garble 3"
                            << "OK garble 3" << ReplyMode::Garble << false << 30;
    QTest::newRow("normal") << "silent 3"
                            << "normal 3"
                            << "OK normal 3" << ReplyMode::Normal << false << 51;
    QTest::newRow("attention on") << "normal 3"
                                  << "attention 3 on"
                                  << "OK attention 3 on" << ReplyMode::Normal << true << 51;
    QTest::newRow("attention off") << "attention 3 on"
                                   << "attention 3 off"
                                   << "OK attention 3 off" << ReplyMode::Normal << false << 51;
    QTest::newRow("attention keeps the mode")
        << "short 3"
        << "attention 3 on"
        << "OK attention 3 on" << ReplyMode::Short << true << 2;
    QTest::newRow("blanks around") << "normal 3"
                                   << "  short   3 \r"
                                   << "OK short   3" << ReplyMode::Short << false << 2;
}

void TestKvtsimLine::commandsAnswerAndApply() {
    QFETCH(QString, before);
    QFETCH(QString, command);
    QFETCH(QString, reply);
    QFETCH(ReplyMode, mode);
    QFETCH(bool, attention);
    QFETCH(int, replySize);
    Simulator sim(kTurnaround);
    sim.AddDevice(3, "Decoder");
    QCOMPARE(sim.OnCommand(before.toStdString(), 0).text, "OK " + before.toStdString());
    const kvtsim::CommandReply answer = sim.OnCommand(command.toStdString(), 0);
    QCOMPARE(QString::fromStdString(answer.text), reply);
    QVERIFY(!answer.quit);
    QCOMPARE(sim.FindDevice(3)->Mode(), mode);
    QCOMPARE(sim.FindDevice(3)->Attention(), attention);
    Send(sim, 3, 0, 0);
    const Bytes sent = Joined(DrainUntil(sim.Pacer(), kSecond));
    QCOMPARE(int(sent.size()), replySize);
    if (replySize == 51) {
        QCOMPARE(bool(sent[1] & 0x80), attention);
    }
}

void TestKvtsimLine::pauseKeepsTheLineQuiet_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<Nanos>>("releases");  // after the turnaround
    QTest::addColumn<QList<int>>("sizes");
    const Nanos ms = 1'000'000;
    QTest::newRow("inside the reply")
        << "pause 3 20 25" << QList<Nanos>{20 * kByte, 20 * kByte + 25 * ms + 31 * kByte}
        << QList<int>{20, 31};
    QTest::newRow("late start") << "pause 3 0 60" << QList<Nanos>{60 * ms + 51 * kByte}
                                << QList<int>{51};
    QTest::newRow("no pause") << "pause 3 20 0" << QList<Nanos>{51 * kByte} << QList<int>{51};
}

// Whole-reply chunks, so each part of a reply leaves in one write when its last byte is due.
void TestKvtsimLine::pauseKeepsTheLineQuiet() {
    QFETCH(QString, command);
    QFETCH(QList<Nanos>, releases);
    QFETCH(QList<int>, sizes);
    Simulator sim(kTurnaround, kvtsim::kDisplayReplySize);
    sim.AddDevice(3, "Decoder");
    QCOMPARE(sim.OnCommand(command.toStdString(), 0).text, "OK " + command.toStdString());
    Send(sim, 3, 0, kSecond);
    QList<Nanos> at;
    QList<int> size;
    for (const Release& release : DrainUntil(sim.Pacer(), 2 * kSecond)) {
        QVERIFY(!release.leakedEarly);
        at << release.at - kSecond - kTurnaround;
        size << int(release.bytes.size());
    }
    QCOMPARE(at, releases);
    QCOMPARE(size, sizes);
}

void TestKvtsimLine::badCommandsAreRefused_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    QTest::newRow("unknown verb") << "jump 3"
                                  << "ERR unknown command jump";
    QTest::newRow("no id") << "silent"
                           << "ERR silent needs a device ID";
    QTest::newRow("id too big") << "silent 128"
                                << "ERR bad device ID 128 (0 to 127)";
    QTest::newRow("id not a number") << "normal x1"
                                     << "ERR bad device ID x1 (0 to 127)";
    QTest::newRow("no such device") << "short 9"
                                    << "ERR no device 9";
    QTest::newRow("attention without state") << "attention 3"
                                             << "ERR attention needs on or off";
    QTest::newRow("attention bad state") << "attention 3 yes"
                                         << "ERR attention needs on or off";
    QTest::newRow("add existing") << "add 3 Again"
                                  << "ERR device 3 exists";
    QTest::newRow("remove missing") << "remove 4"
                                    << "ERR no device 4";
    QTest::newRow("stats with text") << "stats now"
                                     << "ERR unexpected text after stats";
    QTest::newRow("extra after id") << "silent 3 4"
                                    << "ERR unexpected text after silent ID";
    QTest::newRow("pause after the whole reply")
        << "pause 3 51 10"
        << "ERR pause needs AFTER (0 to 50 bytes) and MS (0 to 10000)";
    QTest::newRow("pause without length")
        << "pause 3 20"
        << "ERR pause needs AFTER (0 to 50 bytes) and MS (0 to 10000)";
    QTest::newRow("extra after pause") << "pause 3 20 25 ms"
                                       << "ERR unexpected text after pause ID AFTER MS";
    QTest::newRow("unplug with text") << "unplug 3"
                                      << "ERR unexpected text after unplug";
    QTest::newRow("replug while plugged in") << "replug"
                                             << "ERR the line is plugged in";
}

void TestKvtsimLine::badCommandsAreRefused() {
    QFETCH(QString, command);
    QFETCH(QString, reply);
    Simulator sim(kTurnaround);
    sim.AddDevice(3, "Decoder");
    const kvtsim::CommandReply answer = sim.OnCommand(command.toStdString(), 0);
    QCOMPARE(QString::fromStdString(answer.text), reply);
    QVERIFY(!answer.quit);
    QCOMPARE(answer.line, kvtsim::LineAction::None);
    QCOMPARE(sim.FindDevice(3)->Mode(), ReplyMode::Normal);
    QCOMPARE(sim.DeviceIds(), (Bytes{3}));
}

// What was under way on the old line (a reply going out, a frame half read) dies with it: the new
// line starts clean, without a bad frame to count.
void TestKvtsimLine::unplugDropsTheLineAndReplugBringsANewOne() {
    Simulator sim(kTurnaround);
    sim.AddDevice(5, "Encoder A");
    Send(sim, 5, 0, 0);
    const Bytes half = {0xFD, 5};
    sim.OnLineBytes(half.data(), half.size(), 0);
    QVERIFY(!sim.Pacer().Idle());

    const kvtsim::CommandReply unplug = sim.OnCommand("unplug", 0);
    QCOMPARE(unplug.text, std::string("OK unplug"));
    QCOMPARE(unplug.line, kvtsim::LineAction::Unplug);
    QVERIFY(!sim.Plugged());
    QVERIFY(sim.Pacer().Idle());
    const kvtsim::CommandReply again = sim.OnCommand("unplug", 0);
    QCOMPARE(again.text, std::string("ERR the line is unplugged already"));
    QCOMPARE(again.line, kvtsim::LineAction::None);

    const kvtsim::CommandReply replug = sim.OnCommand("replug", kSecond);
    QCOMPARE(replug.text, std::string("OK replug"));
    QCOMPARE(replug.line, kvtsim::LineAction::Replug);
    QVERIFY(sim.Plugged());
    Send(sim, 5, 0, kSecond);
    QCOMPARE(sim.OnCommand("stats", kSecond).text,
             std::string("STATS frames=2 bad=0 polls=2 keys=0"));
    QVERIFY(!sim.Pacer().Idle());
}

void TestKvtsimLine::addedDeviceAnswersAndRemovedDoesNot() {
    Simulator sim(kTurnaround);
    sim.AddDevice(1, "Device 1");
    QCOMPARE(sim.OnCommand("add 12 Spare encoder", 0).text, std::string("OK add 12 Spare encoder"));
    QCOMPARE(sim.FindDevice(12)->Name(), std::string("Spare encoder"));
    QCOMPARE(sim.OnCommand("add 13", 0).text, std::string("OK add 13"));
    QCOMPARE(sim.FindDevice(13)->Name(), kvtsim::DefaultDeviceName(13));
    Send(sim, 12, 0, 0);
    QCOMPARE(Joined(DrainUntil(sim.Pacer(), kSecond)).size(), kvtsim::kDisplayReplySize);
    QCOMPARE(sim.OnCommand("remove 12", 0).text, std::string("OK remove 12"));
    Send(sim, 12, 0, 0);
    QVERIFY(sim.Pacer().Idle());
    QCOMPARE(sim.DeviceIds(), (Bytes{1, 13}));
    QVERIFY(sim.OnCommand("quit", 0).quit);
}

void TestKvtsimLine::frameLogHasOneLinePerFrame() {
    Simulator sim(kTurnaround);
    sim.AddDevice(5, "Encoder A");
    std::vector<std::string> lines;
    sim.SetFrameLog([&lines](const std::string& line) { lines.push_back(line); });
    Send(sim, 5, 0, 1'234'567'000);
    Send(sim, 5, 126, 1'234'568'000);
    Send(sim, 2, 0, 1'234'569'000);
    const Bytes bad = {0xFD, 5, 0x7E, 0x7C};
    sim.OnLineBytes(bad.data(), bad.size(), 1'234'570'000);
    sim.OnCommand("silent 5", 0);
    Send(sim, 5, 0, 1'234'571'000);
    const std::vector<std::string> expected = {
        "1234567 FD 05 00 79 id=5 poll reply=51", "1234568 FD 05 7E 7B id=5 key 126 reply=51",
        "1234569 FD 02 00 04 id=2 not ours",      "1234570 FD 05 7E 7C id=5 bad check",
        "1234571 FD 05 00 79 id=5 poll no reply",
    };
    QCOMPARE(lines, expected);
}

void TestKvtsimLine::demoRaisesAttentionAndDropsDevice() {
    Simulator sim(kTurnaround);
    for (std::uint8_t id : {1, 2, 3, 5}) {
        sim.AddDevice(id, kvtsim::DefaultDeviceName(id));
    }
    std::vector<std::string> notices;
    sim.SetNotice([&notices](const std::string& line) { notices.push_back(line); });
    const Nanos start = 100 * kSecond;
    sim.StartDemo(start);
    struct Sample {
        Nanos at;
        bool attention3;
        ReplyMode mode5;
    };
    const Sample samples[] = {
        {0, false, ReplyMode::Normal},
        {15 * kSecond - 1, false, ReplyMode::Normal},
        {15 * kSecond, true, ReplyMode::Normal},
        {20 * kSecond, true, ReplyMode::Silent},
        {21 * kSecond, false, ReplyMode::Silent},
        {28 * kSecond, false, ReplyMode::Normal},
        {40 * kSecond, true, ReplyMode::Normal},
        {50 * kSecond, false, ReplyMode::Silent},
        {58 * kSecond, false, ReplyMode::Normal},
    };
    for (const Sample& sample : samples) {
        sim.Tick(start + sample.at);
        QVERIFY(sim.NextDeadline().has_value());
        QVERIFY(*sim.NextDeadline() > start + sample.at);
        QCOMPARE(sim.FindDevice(3)->Attention(), sample.attention3);
        QCOMPARE(sim.FindDevice(5)->Mode(), sample.mode5);
        QCOMPARE(sim.FindDevice(1)->Mode(), ReplyMode::Normal);
        QVERIFY(!sim.FindDevice(2)->Attention());
    }
    QCOMPARE(notices.size(), std::size_t{8});
    QCOMPARE(notices[0], std::string("DEMO attention on device 3"));
    QCOMPARE(notices[1], std::string("DEMO silent device 5"));
}

void TestKvtsimLine::demoLeavesCommandsAloneBetweenEdges() {
    Simulator sim(kTurnaround);
    sim.AddDevice(5, "Multiplexer");
    sim.StartDemo(0);
    sim.Tick(21 * kSecond);
    QCOMPARE(sim.FindDevice(5)->Mode(), ReplyMode::Silent);
    sim.OnCommand("normal 5", 21 * kSecond);
    sim.Tick(25 * kSecond);
    QCOMPARE(sim.FindDevice(5)->Mode(), ReplyMode::Normal);
    sim.Tick(28 * kSecond);
    QCOMPARE(sim.FindDevice(5)->Mode(), ReplyMode::Normal);
    // A device removed from the line is simply skipped by the demo.
    sim.OnCommand("remove 5", 29 * kSecond);
    sim.Tick(50 * kSecond);
    QVERIFY(sim.FindDevice(5) == nullptr);
}

QTEST_APPLESS_MAIN(TestKvtsimLine)
#include "tst_kvtsimline.moc"
