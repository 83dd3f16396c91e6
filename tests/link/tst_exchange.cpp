// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/exchange.h"
#include "link/frame.h"
#include "recordingeffects.h"
#include "scriptedport.h"

#include <QTest>

using namespace k4;
using k4test::RecordingEffects;
using k4test::ScriptedPort;

namespace {

constexpr PanelHandle kPanel = 11;
constexpr NodeHandle kNode = 22;

// A display reply whose cells read "cell k" = 'A' + k % 26, with junk in the uninterpreted bytes.
QByteArray DisplayReply(bool attention, char outer = '\x00') {
    QByteArray r(static_cast<int>(kDisplayReplySize), outer);
    for (int k = 0; k < kDisplayCells; ++k) {
        r[1 + k] = static_cast<char>('A' + k % 26);
    }
    if (attention) {
        r[1] = static_cast<char>(r[1] | 0x80);
    }
    return r;
}

enum Reply { AttentionDisplay, PlainDisplay, TwoByte, Silence, OneByte, ShortDisplay, LongRead };

QByteArray ReplyBytes(Reply r) {
    switch (r) {
        case AttentionDisplay:
            return DisplayReply(true);
        case PlainDisplay:
            return DisplayReply(false);
        case TwoByte:
            return QByteArray("\x06\x06", 2);
        case Silence:
            return {};
        case OneByte:
            return QByteArray("\x06", 1);
        case ShortDisplay:
            return DisplayReply(false).left(50);
        case LongRead:
            return DisplayReply(false) + QByteArray("\x01", 1);
    }
    return {};
}

// Slot i gets a device with the given ID and flags (its views are handles kPanel+i, kNode+i).
void PutDevice(DeviceTable& table, int slot, std::uint8_t id, std::uint8_t flags) {
    QCOMPARE(table.append(kNode + static_cast<NodeHandle>(slot),
                          kPanel + static_cast<PanelHandle>(slot)),
             slot);
    table[slot].DevID.store(id);
    table[slot].flags.store(flags);
}

}  // namespace

Q_DECLARE_METATYPE(Reply)

class TestExchange : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void requestGoesOutAfterPurge_data();
    void requestGoesOutAfterPurge();
    void unknownAddressSendsNothing_data();
    void unknownAddressSendsNothing();
    void addressBeyond127FailsWithoutTraffic_data();
    void addressBeyond127FailsWithoutTraffic();
    void timedOutWriteFailsWithoutRead();
    void stateTable_data();
    void stateTable();
    void cellsComeFromBytes1To48();
    void duplicateIdsUpdateFirstRecordOnly();
    void latchesSurviveOtherDevices();
    void healthCountsEveryOutcome();
};

void TestExchange::requestGoesOutAfterPurge_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("poll") << 0 << QByteArray::fromHex("FD050079");
    QTest::newRow("key T") << 126 << QByteArray::fromHex("FD057E7B");
}

void TestExchange::requestGoesOutAfterPurge() {
    QFETCH(int, key);
    QFETCH(QByteArray, frame);
    DeviceTable table;
    PutDevice(table, 0, 5, kInUseFlag);
    ScriptedPort port;
    port.replies.push_back(DisplayReply(false));
    RecordingEffects fx;
    Exchange(table, port, 5, static_cast<std::uint8_t>(key), fx);
    QCOMPARE(port.calls, QStringList({"purge", "write", "read 51"}));
    QCOMPARE(port.written, frame);
}

void TestExchange::unknownAddressSendsNothing_data() {
    QTest::addColumn<int>("address");
    QTest::newRow("no such ID") << 6;
    // Slot 1 is reserved (past LastIndex until Append raises it): its ID is out of reach.
    QTest::newRow("ID beyond LastIndex") << 9;
}

void TestExchange::unknownAddressSendsNothing() {
    QFETCH(int, address);
    DeviceTable table;
    PutDevice(table, 0, 5, kInUseFlag);
    table[1].DevID.store(9);
    ScriptedPort port;
    port.replies.push_back(DisplayReply(true));
    RecordingEffects fx;
    Exchange(table, port, static_cast<std::uint8_t>(address), 0, fx);
    QVERIFY(port.calls.isEmpty());
    QVERIFY(fx.lines().isEmpty());
    QCOMPARE(table[0].CommError.load(), 0);
}

void TestExchange::addressBeyond127FailsWithoutTraffic_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("key");
    QTest::newRow("128, poll") << 128 << 0;
    QTest::newRow("200 (loads as -56), key") << 200 << 126;
    QTest::newRow("253, a second lead byte") << 253 << 0;
    QTest::newRow("255, key") << 255 << 1;
}

// Only the lead byte of a request may have its top bit set: such an ID never reaches the line,
// and its device shows a communication failure as a silent one would.
void TestExchange::addressBeyond127FailsWithoutTraffic() {
    QFETCH(int, id);
    QFETCH(int, key);
    DeviceTable table;
    PutDevice(table, 0, static_cast<std::uint8_t>(id), kInUseFlag);
    ScriptedPort port;
    port.replies.push_back(DisplayReply(false));
    RecordingEffects fx;
    Exchange(table, port, static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(key), fx);
    Exchange(table, port, static_cast<std::uint8_t>(id), 0, fx);
    QVERIFY(port.calls.isEmpty());
    QCOMPARE(fx.lines(), QStringList({"commError 11", "repaint 11", "image 22 2", "tree", "show 11",
                                      "beep", "commError 11"}));
    QCOMPARE(table[0].CommError.load(), 1);
}

// A frame that could not leave in time was dropped: no reply is read for it (only the line is
// let fall quiet, in case part of it left), and the exchange is a communication failure.
void TestExchange::timedOutWriteFailsWithoutRead() {
    DeviceTable table;
    PutDevice(table, 0, 5, kInUseFlag);
    ScriptedPort port;
    port.writeTimesOut = true;
    port.replies.push_back(DisplayReply(false));
    RecordingEffects fx;
    Exchange(table, port, 5, 126, fx);
    QCOMPARE(port.calls, QStringList({"purge", "write", "read 64", "read 64", "purge"}));
    QCOMPARE(fx.lines(),
             QStringList({"commError 11", "repaint 11", "image 22 2", "tree", "show 11", "beep"}));
    QCOMPARE(table[0].CommError.load(), 1);
}

void TestExchange::stateTable_data() {
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("attentionBefore");
    QTest::addColumn<int>("commErrorBefore");
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<QStringList>("effects");
    QTest::addColumn<int>("attentionAfter");
    QTest::addColumn<int>("commErrorAfter");

    const QStringList none;
    // In use: cells written and repainted.
    QTest::newRow("attention bit, phase starts")
        << 1 << 0 << 0 << AttentionDisplay
        << QStringList{"show 11", "image 22 3", "tree", "cells 11 80", "repaint 11"} << 1 << 0;
    QTest::newRow("attention bit, phase ends")
        << 1 << 1 << 0 << AttentionDisplay
        << QStringList{"cells 11 00", "image 22 0", "tree", "repaint 11"} << 0 << 0;
    QTest::newRow("attention bit gone")
        << 1 << 1 << 0 << PlainDisplay
        << QStringList{"cells 11 00", "image 22 0", "tree", "repaint 11"} << 0 << 0;
    QTest::newRow("plain reply") << 1 << 0 << 0 << PlainDisplay
                                 << QStringList{"cells 11 00", "repaint 11"} << 0 << 0;
    QTest::newRow("plain reply ends failure")
        << 1 << 0 << 1 << PlainDisplay
        << QStringList{"cells 11 00", "repaint 11", "image 22 0", "tree"} << 0 << 0;
    QTest::newRow("recovery into attention")
        << 1 << 0 << 1 << AttentionDisplay
        << QStringList{"show 11",    "image 22 3", "tree", "cells 11 80",
                       "repaint 11", "image 22 0", "tree"}
        << 1 << 0;
    QTest::newRow("recovery in plain phase")
        << 1 << 1 << 1 << AttentionDisplay
        << QStringList{"cells 11 00", "image 22 0", "tree", "repaint 11", "image 22 0", "tree"} << 0
        << 0;
    QTest::newRow("first failure")
        << 1 << 0 << 0 << Silence
        << QStringList{"commError 11", "repaint 11", "image 22 2", "tree", "show 11", "beep"} << 0
        << 1;
    QTest::newRow("first failure keeps attention")
        << 1 << 1 << 0 << OneByte
        << QStringList{"commError 11", "repaint 11", "image 22 2", "tree", "show 11", "beep"} << 1
        << 1;
    QTest::newRow("failure goes on")
        << 1 << 0 << 1 << Silence << QStringList{"commError 11"} << 0 << 1;
    QTest::newRow("50 bytes fail")
        << 1 << 0 << 1 << ShortDisplay << QStringList{"commError 11"} << 0 << 1;
    // The read stops at 51 bytes: a longer answer reads as a display reply, the rest is purged
    // before the next request.
    QTest::newRow("52 bytes on the line")
        << 1 << 0 << 1 << LongRead << QStringList{"cells 11 00", "repaint 11", "image 22 0", "tree"}
        << 0 << 0;
    QTest::newRow("two-byte reply") << 1 << 1 << 0 << TwoByte << none << 1 << 0;
    QTest::newRow("two-byte reply in failure") << 1 << 0 << 1 << TwoByte << none << 0 << 1;
    // Flags 0 (a reserved slot, or one the closing workspace has released): latches, icons and
    // the raising of the panel follow the reply, no cell is written and nothing repainted.
    QTest::newRow("flags 0, attention starts")
        << 0 << 0 << 0 << AttentionDisplay << QStringList{"show 11", "image 22 3", "tree"} << 1
        << 0;
    QTest::newRow("flags 0, attention ends")
        << 0 << 1 << 0 << PlainDisplay << QStringList{"image 22 0", "tree"} << 0 << 0;
    QTest::newRow("flags 0, plain") << 0 << 0 << 0 << PlainDisplay << none << 0 << 0;
    QTest::newRow("flags 0, recovery")
        << 0 << 0 << 1 << PlainDisplay << QStringList{"image 22 0", "tree"} << 0 << 0;
    QTest::newRow("flags 0, first failure")
        << 0 << 0 << 0 << Silence << QStringList{"image 22 2", "tree", "show 11", "beep"} << 0 << 1;
    QTest::newRow("flags 0, failure goes on") << 0 << 0 << 1 << Silence << none << 0 << 1;
    // Bits other than the in-use flag still count as a non-zero flags byte.
    QTest::newRow("flags 2, plain")
        << 2 << 0 << 0 << PlainDisplay << QStringList{"cells 11 00", "repaint 11"} << 0 << 0;
}

void TestExchange::stateTable() {
    QFETCH(int, flags);
    QFETCH(int, attentionBefore);
    QFETCH(int, commErrorBefore);
    QFETCH(Reply, reply);
    QFETCH(QStringList, effects);
    QFETCH(int, attentionAfter);
    QFETCH(int, commErrorAfter);

    DeviceTable table;
    PutDevice(table, 0, 5, static_cast<std::uint8_t>(flags));
    table[0].Attention.store(static_cast<std::uint8_t>(attentionBefore));
    table[0].CommError.store(static_cast<std::uint8_t>(commErrorBefore));
    ScriptedPort port;
    port.replies.push_back(ReplyBytes(reply));
    RecordingEffects fx;

    Exchange(table, port, 5, 1, fx);

    QCOMPARE(port.written, QByteArray::fromHex("FD050178"));
    QCOMPARE(fx.lines(), effects);
    QCOMPARE(table[0].Attention.load(), attentionAfter);
    QCOMPARE(table[0].CommError.load(), commErrorAfter);
}

void TestExchange::cellsComeFromBytes1To48() {
    DeviceTable table;
    PutDevice(table, 0, 5, kInUseFlag);
    ScriptedPort port;
    RecordingEffects fx;
    // The uninterpreted bytes 0, 49 and 50 change nothing, whatever they hold.
    port.replies.push_back(DisplayReply(false, '\xFF'));
    Exchange(table, port, 5, 0, fx);
    const QStringList withJunk = fx.take();
    const DisplayCells cells = fx.lastCells();
    port.replies.push_back(DisplayReply(false, '\x00'));
    Exchange(table, port, 5, 0, fx);
    QCOMPARE(fx.take(), withJunk);
    QCOMPARE(fx.lastCells(), cells);

    const QByteArray reply = DisplayReply(false, '\xFF');
    for (int k = 0; k < kDisplayCells; ++k) {
        QCOMPARE(cells[static_cast<std::size_t>(k)], static_cast<std::uint8_t>(reply[1 + k]));
    }
    // The attention bit arrives in cell 0 as received; the mask highlights every cell.
    port.replies.push_back(DisplayReply(true));
    Exchange(table, port, 5, 0, fx);
    QCOMPARE(fx.lastCells()[0], static_cast<std::uint8_t>('A' | 0x80));
    QCOMPARE(fx.lastCells()[1], static_cast<std::uint8_t>('B'));
    QVERIFY(fx.lines().contains("cells 11 80"));
}

void TestExchange::duplicateIdsUpdateFirstRecordOnly() {
    DeviceTable table;
    PutDevice(table, 0, 7, kInUseFlag);
    PutDevice(table, 1, 5, kInUseFlag);
    PutDevice(table, 2, 5, kInUseFlag);
    ScriptedPort port;
    RecordingEffects fx;
    // A poll of record 2 carries its ID 5, which belongs to record 1 first.
    Exchange(table, port, table[2].DevID.load(), 0, fx);
    QCOMPARE(table[1].CommError.load(), 1);
    QCOMPARE(table[2].CommError.load(), 0);
    QCOMPARE(fx.lines(),
             QStringList({"commError 12", "repaint 12", "image 23 2", "tree", "show 12", "beep"}));
    port.replies.push_back(DisplayReply(true));
    Exchange(table, port, 5, 0, fx);
    QCOMPARE(table[1].Attention.load(), 1);
    QCOMPARE(table[2].Attention.load(), 0);
}

void TestExchange::latchesSurviveOtherDevices() {
    DeviceTable table;
    PutDevice(table, 0, 1, kInUseFlag);
    PutDevice(table, 1, 2, kInUseFlag);
    ScriptedPort port;
    RecordingEffects fx;
    Exchange(table, port, 1, 0, fx);  // silence: device 1 fails
    port.replies.push_back(DisplayReply(true));
    Exchange(table, port, 2, 0, fx);  // device 2 raises attention
    QCOMPARE(table[0].CommError.load(), 1);
    QCOMPARE(table[0].Attention.load(), 0);
    QCOMPARE(table[1].CommError.load(), 0);
    QCOMPARE(table[1].Attention.load(), 1);
}

// Every answer counts as a reply and stamps the time, every other outcome as a failure; an
// episode opens with the first failure and only a display reply closes it (a two-byte reply
// answers, yet the device stays in its episode).
void TestExchange::healthCountsEveryOutcome() {
    DeviceTable table;
    PutDevice(table, 0, 5, kInUseFlag);
    ScriptedPort port;
    RecordingEffects fx;
    const std::int64_t before = HealthClockNs();
    for (Reply r : {PlainDisplay, Silence, OneByte, TwoByte, ShortDisplay, AttentionDisplay,
                    AttentionDisplay, AttentionDisplay, OneByte, PlainDisplay, Silence}) {
        port.replies.push_back(ReplyBytes(r));
        Exchange(table, port, 5, r == TwoByte ? 4 : 0, fx);
    }
    const HealthCounts c = table[0].Health.counts();
    QCOMPARE(c.replies, std::uint64_t(6));
    QCOMPARE(c.failures, std::uint64_t(5));
    QCOMPARE(c.episodes, std::uint64_t(3));
    QVERIFY(c.lastReplyNs >= before);
    QVERIFY(c.lastReplyNs <= HealthClockNs());
    // The episodes' turns as a record keeps them: a two-byte reply ends no episode, an
    // attention phase is raised before the episode it ends is reported over, and a bit held
    // for three replies (the panel blinks) is raised once.
    QCOMPARE(fx.events(),
             QStringList({"failing 5 #1", "attention 5", "back 5 #1 after 3", "failing 5 #2",
                          "cleared 5", "back 5 #2 after 1", "failing 5 #3"}));
    // An address no record carries counts nowhere.
    Exchange(table, port, 9, 0, fx);
    QCOMPARE(table[0].Health.counts().failures, std::uint64_t(5));
    QVERIFY(table[1].Health.isClear());
}

QTEST_APPLESS_MAIN(TestExchange)
#include "tst_exchange.moc"
