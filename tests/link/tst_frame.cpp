// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/frame.h"

#include <QTest>

using namespace k4;

class TestFrame : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void request_data();
    void request();
    void onlyLeadHasTopBit();
    void replyKind_data();
    void replyKind();
};

void TestFrame::request_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("poll 1") << 1 << 0 << QByteArray::fromHex("FD010005");
    QTest::newRow("poll 2") << 2 << 0 << QByteArray::fromHex("FD020004");
    QTest::newRow("poll 127") << 127 << 0 << QByteArray::fromHex("FD7F0007");
    QTest::newRow("key 126 to 5") << 5 << 126 << QByteArray::fromHex("FD057E7B");
    QTest::newRow("key 127 to 5") << 5 << 127 << QByteArray::fromHex("FD057F7A");
    QTest::newRow("key 1 to 10") << 10 << 1 << QByteArray::fromHex("FD0A0173");
    QTest::newRow("key 127 to 127") << 127 << 127 << QByteArray::fromHex("FD7F7F00");
}

void TestFrame::request() {
    QFETCH(int, address);
    QFETCH(int, key);
    QFETCH(QByteArray, frame);
    const RequestFrame r =
        MakeRequest(static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(key));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(r.data()), static_cast<int>(r.size())),
             frame);
    QCOMPARE(FrameCheck(static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(key)),
             static_cast<std::uint8_t>(frame.at(3)));
}

// Addresses and keys are below 128, and the check is kept to 7 bits: a receiver can find the start
// of a request by its top bit alone.
void TestFrame::onlyLeadHasTopBit() {
    for (int address = 0; address < 128; ++address) {
        for (int key = 0; key < 128; ++key) {
            const RequestFrame r =
                MakeRequest(static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(key));
            QCOMPARE(r[0], kFrameLead);
            QVERIFY2((r[3] & 0x80) == 0,
                     qPrintable(QStringLiteral("address %1 key %2").arg(address).arg(key)));
        }
    }
}

void TestFrame::replyKind_data() {
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("kind");
    const int display = static_cast<int>(ReplyKind::Display);
    const int twoByte = static_cast<int>(ReplyKind::TwoByte);
    const int failure = static_cast<int>(ReplyKind::Failure);
    QTest::newRow("silence") << 0 << failure;
    QTest::newRow("one byte") << 1 << failure;
    QTest::newRow("two bytes") << 2 << twoByte;
    QTest::newRow("three bytes") << 3 << failure;
    QTest::newRow("request echo") << 4 << failure;
    QTest::newRow("one short") << 50 << failure;
    QTest::newRow("display") << 51 << display;
    QTest::newRow("one long") << 52 << failure;
}

void TestFrame::replyKind() {
    QFETCH(int, bytes);
    QFETCH(int, kind);
    QCOMPARE(static_cast<int>(ClassifyReply(static_cast<std::size_t>(bytes))), kind);
}

QTEST_APPLESS_MAIN(TestFrame)
#include "tst_frame.moc"
