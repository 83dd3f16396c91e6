// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/frame.h"
#include "port/qtserialio.h"
#include "ptypair.h"

#include <QTest>

#include <atomic>
#include <limits>
#include <thread>

using namespace k4;
using namespace k4test;
using namespace std::chrono_literals;

namespace {

QByteArray Bytes(int n, char first = 'a') {
    QByteArray b;
    for (int i = 0; i < n; ++i) {
        b.append(static_cast<char>(first + i % 26));
    }
    return b;
}

std::size_t Read(QtSerialIo& io, QByteArray& into, std::size_t max = kDisplayReplySize) {
    into.fill('\0', static_cast<qsizetype>(max));
    const std::size_t n = io.read(reinterpret_cast<std::uint8_t*>(into.data()), max);
    into.truncate(static_cast<qsizetype>(n));
    return n;
}

}  // namespace

class TestQtSerialIo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void missingDeviceDoesNotOpen_data();
    void missingDeviceDoesNotOpen();
    void lineSettings();
    void requestReachesLine();
    void readEndsAt51Bytes();
    void readKeepsEveryByteValue();
    void readWaitsThroughShortPauses_data();
    void readWaitsThroughShortPauses();
    void readEndsAfterGap();
    void readEndsAfterTotalTime();
    void silenceReadsNothing();
    void purgeDropsStaleBytes();
    void reopenAfterClose();
    void stalledWriteIsDroppedNotSentLate();

private:
    std::unique_ptr<PtyPair> pty_;
};

void TestQtSerialIo::init() {
    pty_ = std::make_unique<PtyPair>();
    QVERIFY(pty_->ok());
}

void TestQtSerialIo::missingDeviceDoesNotOpen_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("no such device") << "/dev/k4-no-such-tty";
    QTest::newRow("empty path") << "";
    QTest::newRow("not a terminal") << "/dev/null";
}

void TestQtSerialIo::missingDeviceDoesNotOpen() {
    QFETCH(QString, path);
    QtSerialIo io(path);
    QVERIFY(!io.open());
    QVERIFY(!io.isOpen());
    // A port that is not open fails every read and swallows every write.
    const RequestFrame r = MakeRequest(1, 0);
    io.purgeReceive();
    io.write(r.data(), r.size());
    QByteArray reply;
    QCOMPARE(Read(io, reply), std::size_t{0});
}

// 28800 8N1 without flow control, on a pseudo-terminal where raising DTR is not possible.
void TestQtSerialIo::lineSettings() {
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    QVERIFY(io.isOpen());
    const LineSettings s = pty_->settings();
    QCOMPARE(s.speed, 28800u);
    QCOMPARE(s.dataBits, 8);
    QVERIFY(!s.parity);
    QVERIFY(!s.twoStopBits);
    QVERIFY(!s.hardwareFlow);
    QVERIFY(!s.softwareFlow);
}

void TestQtSerialIo::requestReachesLine() {
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    const RequestFrame r = MakeRequest(5, 126);
    io.write(r.data(), r.size());
    QCOMPARE(pty_->receive(4, 5000), QByteArray::fromHex("FD057E7B"));
}

void TestQtSerialIo::readEndsAt51Bytes() {
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    pty_->send(Bytes(60));
    std::this_thread::sleep_for(20ms);
    QByteArray reply;
    QCOMPARE(Read(io, reply), kDisplayReplySize);
    QCOMPARE(reply, Bytes(51));
}

// Null bytes and the old end-of-data character 0xFC arrive like any other byte.
void TestQtSerialIo::readKeepsEveryByteValue() {
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    QByteArray sent;
    for (int i = 0; i < 51; ++i) {
        sent.append(static_cast<char>((i * 5) & 0xFF));
    }
    sent[10] = '\0';
    sent[11] = static_cast<char>(0xFC);
    sent[12] = '\x11';  // XON
    sent[13] = '\x13';  // XOFF
    pty_->send(sent);
    QByteArray reply;
    QCOMPARE(Read(io, reply), kDisplayReplySize);
    QCOMPARE(reply, sent);
}

void TestQtSerialIo::readWaitsThroughShortPauses_data() {
    QTest::addColumn<int>("pauseAfter");  // bytes before the pause
    QTest::addColumn<int>("pauseUs");
    QTest::addColumn<int>("byteUs");  // between the other bytes
    // A byte at a time as the line delivers them, 0.35 ms apart: the read must not end while
    // the reply is still coming.
    QTest::newRow("paced at the line's rate") << 0 << 0 << 350;
    QTest::newRow("2 ms pause inside the reply") << 20 << 2000 << 0;
}

// Pauses well inside the gap time do not end the read. The pacing begins once the read took the
// first byte.
void TestQtSerialIo::readWaitsThroughShortPauses() {
    QFETCH(int, pauseAfter);
    QFETCH(int, pauseUs);
    QFETCH(int, byteUs);
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    const QByteArray reply = Bytes(51);
    std::atomic<bool> taken{false};
    std::thread device([&] {
        taken = pty_->sendAndWaitTaken(reply.left(1), 10000);
        for (int i = 1; i < reply.size(); ++i) {
            std::this_thread::sleep_for(
                std::chrono::microseconds(i == pauseAfter ? pauseUs : byteUs));
            pty_->send(reply.mid(i, 1));
        }
    });
    QByteArray read;
    const std::size_t n = Read(io, read);
    device.join();
    QVERIFY(taken);
    QCOMPARE(n, kDisplayReplySize);
    QCOMPARE(read, reply);
}

// More than 10 ms without a byte ends the read: the late part of an answer is not read. The
// first part goes out once the read is waiting, and the late part only after the read took it.
void TestQtSerialIo::readEndsAfterGap() {
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    std::atomic<bool> taken{false};
    std::thread device([&] {
        taken = pty_->sendAndWaitTaken(Bytes(10), 10000);
        std::this_thread::sleep_for(35ms);
        pty_->send(Bytes(41, 'k'));
    });
    QByteArray reply;
    const std::size_t n = Read(io, reply);
    device.join();
    QVERIFY(taken);
    QCOMPARE(n, std::size_t{10});
    QCOMPARE(reply, Bytes(10));
}

// A device that trickles bytes faster than the gap time is cut off once the whole read has
// lasted 40 ms, long before its 51 bytes would be in.
void TestQtSerialIo::readEndsAfterTotalTime() {
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    std::atomic<bool> stop{false};
    std::atomic<bool> taken{false};
    std::thread device([&] {
        taken = pty_->sendAndWaitTaken(Bytes(1), 10000);
        for (int i = 1; i < 100 && !stop; ++i) {
            std::this_thread::sleep_for(4ms);
            pty_->send(Bytes(1));
        }
    });
    QByteArray reply;
    const std::size_t n = Read(io, reply);
    stop = true;
    device.join();
    QVERIFY(taken);
    QVERIFY2(n >= 1 && n <= 40, qPrintable(QString::number(n)));
}

void TestQtSerialIo::silenceReadsNothing() {
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    QByteArray reply;
    QCOMPARE(Read(io, reply), std::size_t{0});
    QVERIFY(io.isOpen());
}

// What came after the previous read ended (a late answer, noise) is gone before a new request.
void TestQtSerialIo::purgeDropsStaleBytes() {
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    pty_->send(Bytes(60));
    std::this_thread::sleep_for(20ms);
    QByteArray reply;
    QCOMPARE(Read(io, reply), kDisplayReplySize);  // 9 bytes stay behind
    pty_->send(Bytes(7));
    std::this_thread::sleep_for(20ms);
    io.purgeReceive();
    QCOMPARE(Read(io, reply), std::size_t{0});
    pty_->send(QByteArray("\x06\x06", 2));
    QCOMPARE(Read(io, reply), kTwoByteReplySize);
}

void TestQtSerialIo::reopenAfterClose() {
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    io.close();
    QVERIFY(!io.isOpen());
    QVERIFY(io.open());
    pty_->send(QByteArray("\x06\x06", 2));
    QByteArray reply;
    QCOMPARE(Read(io, reply), kTwoByteReplySize);
}

// Nobody reads the far end, so the line stops draining: the write that runs out of time says so,
// and what had not left is dropped. Once the line drains again a new frame goes out alone, not
// behind a burst of stale ones.
void TestQtSerialIo::stalledWriteIsDroppedNotSentLate() {
    QtSerialIo io(pty_->path());
    QVERIFY(io.open());
    const QByteArray block(4096, '\x55');
    for (int blocks = 0;
         io.write(reinterpret_cast<const std::uint8_t*>(block.constData()), block.size());
         ++blocks) {
        QVERIFY2(blocks < 1000, "the line never stopped draining");
    }
    // The far end reads again; what the terminal itself still held is not the port's to drop.
    pty_->receive(std::numeric_limits<int>::max(), 500);
    const RequestFrame r = MakeRequest(5, 126);
    QVERIFY(io.write(r.data(), r.size()));
    QCOMPARE(pty_->receive(64, 300), QByteArray::fromHex("FD057E7B"));
}

QTEST_GUILESS_MAIN(TestQtSerialIo)
#include "tst_qtserialio.moc"
