// SPDX-License-Identifier: GPL-3.0-or-later
// One emulated device: its display reply, the attention bit, the reactions to every key and the
// ways it can be told to answer badly.
#include <QtTest>

#include <string>
#include <vector>

#include "simdevice.h"

using kvtsim::Nanos;
using kvtsim::ReplyMode;
using kvtsim::SimDevice;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(ReplyMode)

namespace {

constexpr Nanos kSecond = 1'000'000'000LL;
// Cells 0 to 39: both rows without the reply counter at the end of row 1.
constexpr std::size_t kCellsWithoutCounter = 40;

std::string RowText(const Bytes& reply, int row) {
    std::string text;
    for (std::size_t i = 0; i < kvtsim::kRowCells; ++i) {
        text += static_cast<char>(reply.at(1 + row * kvtsim::kRowCells + i) & 0x7F);
    }
    return text;
}

Bytes StableCells(const kvtsim::Display& display) {
    return Bytes(display.begin(), display.begin() + kCellsWithoutCounter);
}

}  // namespace

class TestKvtsimDevice : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pollGivesDisplayReply();
    void counterMovesBetweenPolls();
    void attentionBitIsTopBitOfFirstCell_data();
    void attentionBitIsTopBitOfFirstCell();
    void everyKeyChangesTheDisplay_data();
    void everyKeyChangesTheDisplay();
    void keyNameFadesAfterAFewSeconds();
    void menuKeysChangePageAndValue();
    void numberedKeysToggleHighlights();
    void modesShapeTheAnswer_data();
    void modesShapeTheAnswer();
    void garbleNeverGivesAnAcceptedLength();
    void longNameIsCutToTheRow();
};

void TestKvtsimDevice::pollGivesDisplayReply() {
    SimDevice device(5, "Encoder A");
    const Bytes reply = device.Answer(0, 0);
    QCOMPARE(reply.size(), kvtsim::kDisplayReplySize);
    QCOMPARE(RowText(reply, 0), std::string("ID=5 Encoder A          "));
    QCOMPARE(RowText(reply, 1), std::string("Bitrate     8   #0000001"));
    for (std::size_t i = 1; i <= 48; ++i) {
        QVERIFY2((reply[i] & 0x80) == 0, "no cell is highlighted before any key");
    }
}

void TestKvtsimDevice::counterMovesBetweenPolls() {
    SimDevice device(1, "Device 1");
    const Bytes first = device.Answer(0, 0);
    const Bytes second = device.Answer(0, 10'000'000);
    QCOMPARE(RowText(first, 0), RowText(second, 0));
    QVERIFY(RowText(first, 1) != RowText(second, 1));
    QCOMPARE(device.DisplayReplies(), 2u);
}

void TestKvtsimDevice::attentionBitIsTopBitOfFirstCell_data() {
    QTest::addColumn<bool>("attention");
    QTest::newRow("off") << false;
    QTest::newRow("on") << true;
}

void TestKvtsimDevice::attentionBitIsTopBitOfFirstCell() {
    QFETCH(bool, attention);
    SimDevice device(3, "Decoder");
    device.SetAttention(attention);
    // Key 5 highlights column 1, never column 0: only the attention bit sets byte 1's top bit.
    const Bytes reply = device.Answer(5, 0);
    QCOMPARE(reply.size(), kvtsim::kDisplayReplySize);
    QCOMPARE(bool(reply[1] & 0x80), attention);
    QCOMPARE(reply[1] & 0x7F, int('I'));
    QVERIFY(reply[2] & 0x80);
}

void TestKvtsimDevice::everyKeyChangesTheDisplay_data() {
    QTest::addColumn<int>("key");
    for (const std::uint8_t key : kvtsim::PanelKeys()) {
        QTest::addRow("key %d", key) << int(key);
    }
}

void TestKvtsimDevice::everyKeyChangesTheDisplay() {
    QFETCH(int, key);
    QCOMPARE(kvtsim::PanelKeys().size(), std::size_t{18});
    SimDevice device(7, "Mux");
    device.Answer(0, 0);
    const Nanos now = 5 * kSecond;
    const Bytes before = StableCells(device.CurrentDisplay(now));
    const Bytes reply = device.Answer(static_cast<std::uint8_t>(key), now);
    QCOMPARE(reply.size(), kvtsim::kDisplayReplySize);
    const Bytes after = StableCells(device.CurrentDisplay(now));
    QVERIFY(before != after);
    // The reply carries the display as it is after the key.
    QCOMPARE(Bytes(reply.begin() + 1, reply.begin() + 1 + kCellsWithoutCounter), after);
    QVERIFY2(RowText(reply, 1).rfind("Key " + std::to_string(key), 0) == 0,
             RowText(reply, 1).c_str());
}

void TestKvtsimDevice::keyNameFadesAfterAFewSeconds() {
    SimDevice device(1, "Device 1");
    device.Answer(9, kSecond);
    QCOMPARE(RowText(device.DisplayReply(kSecond + kvtsim::kKeyShownNs - 1), 1).substr(0, 16),
             std::string("Key 9           "));
    QCOMPARE(RowText(device.DisplayReply(kSecond + kvtsim::kKeyShownNs), 1).substr(0, 16),
             std::string("Bitrate     8   "));
}

void TestKvtsimDevice::menuKeysChangePageAndValue() {
    SimDevice device(1, "Device 1");
    Nanos now = 0;
    auto press = [&](std::uint8_t key) {
        device.Answer(key, now);
        now += kvtsim::kKeyShownNs;
    };
    press(2);  // ">>"
    QCOMPARE(device.Page(), 1);
    press(4);  // "+"
    press(4);
    QCOMPARE(device.PageValue(1), 3);
    QCOMPARE(RowText(device.DisplayReply(now), 1).substr(0, 16), std::string("Input       3   "));
    press(1);  // "<<"
    press(1);
    QCOMPARE(device.Page(), 4);
    press(3);  // "-"
    QCOMPARE(device.PageValue(4), 74);
    press(126);  // "T": the menu text is highlighted
    QVERIFY(device.MenuHighlighted());
    const Bytes highlighted = device.DisplayReply(now);
    for (std::size_t i = 25; i < 25 + 16; ++i) {
        QVERIFY(highlighted[i] & 0x80);
    }
    QVERIFY((highlighted[41] & 0x80) == 0);
    press(127);  // "S": highlights cleared, back to the first page, values kept
    QVERIFY(!device.MenuHighlighted());
    QCOMPARE(device.Page(), 0);
    QCOMPARE(device.PageValue(4), 74);
}

void TestKvtsimDevice::numberedKeysToggleHighlights() {
    SimDevice device(1, "Device 1");
    for (std::uint8_t key = 5; key <= 16; ++key) {
        device.Answer(key, 0);
    }
    Bytes reply = device.DisplayReply(0);
    for (std::size_t column = 0; column < kvtsim::kRowCells; ++column) {
        QCOMPARE(bool(reply[1 + column] & 0x80), column % 2 == 1);
    }
    device.Answer(6, 0);  // toggles column 3 off again
    QVERIFY(!device.CellMarked(3));
    device.Answer(127, 0);
    reply = device.DisplayReply(0);
    for (std::size_t i = 1; i <= 48; ++i) {
        QVERIFY((reply[i] & 0x80) == 0);
    }
}

void TestKvtsimDevice::modesShapeTheAnswer_data() {
    QTest::addColumn<ReplyMode>("mode");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("keyApplied");
    QTest::newRow("normal poll") << ReplyMode::Normal << 0 << 51 << false;
    QTest::newRow("normal key") << ReplyMode::Normal << 2 << 51 << true;
    QTest::newRow("silent poll") << ReplyMode::Silent << 0 << 0 << false;
    QTest::newRow("silent key") << ReplyMode::Silent << 2 << 0 << false;
    QTest::newRow("short poll") << ReplyMode::Short << 0 << 2 << false;
    QTest::newRow("short key") << ReplyMode::Short << 2 << 2 << true;
    QTest::newRow("garble poll") << ReplyMode::Garble << 0 << 30 << false;
    QTest::newRow("garble key") << ReplyMode::Garble << 2 << 30 << true;
}

void TestKvtsimDevice::modesShapeTheAnswer() {
    QFETCH(ReplyMode, mode);
    QFETCH(int, key);
    QFETCH(int, size);
    QFETCH(bool, keyApplied);
    SimDevice device(4, "Device 4");
    device.SetMode(mode);
    const Bytes reply = device.Answer(static_cast<std::uint8_t>(key), 0);
    QCOMPARE(int(reply.size()), size);
    QCOMPARE(device.Page(), keyApplied ? 1 : 0);
    // Only display replies move the counter.
    QCOMPARE(device.DisplayReplies(), mode == ReplyMode::Normal ? 1u : 0u);
}

void TestKvtsimDevice::garbleNeverGivesAnAcceptedLength() {
    SimDevice device(4, "Device 4");
    device.SetMode(ReplyMode::Garble);
    std::vector<std::size_t> sizes;
    for (int i = 0; i < 8; ++i) {
        const std::size_t size = device.Answer(0, 0).size();
        QVERIFY(size != 0 && size != 2 && size != kvtsim::kDisplayReplySize);
        sizes.push_back(size);
    }
    QCOMPARE(sizes, (std::vector<std::size_t>{30, 1, 50, 3, 30, 1, 50, 3}));
}

void TestKvtsimDevice::longNameIsCutToTheRow() {
    SimDevice device(127, "A name far too long for one row");
    const Bytes reply = device.Answer(0, 0);
    QCOMPARE(RowText(reply, 0), std::string("ID=127 A name far too lo"));
    QCOMPARE(RowText(reply, 1).substr(0, 7), std::string("Bitrate"));
}

QTEST_APPLESS_MAIN(TestKvtsimDevice)
#include "tst_kvtsimdevice.moc"
