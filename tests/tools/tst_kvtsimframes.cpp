// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's own frame reader: check bytes, resynchronisation and frames split over reads.
#include <QtTest>

#include <vector>

#include "wireframe.h"

using kvtsim::FrameReader;
using kvtsim::FrameVerdict;
using kvtsim::ReceivedFrame;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(FrameVerdict)

namespace {

Bytes FromHex(const char* hex) {
    Bytes bytes;
    for (const QByteArray& part : QByteArray(hex).split(' ')) {
        if (!part.isEmpty()) {
            bytes.push_back(static_cast<std::uint8_t>(part.toUInt(nullptr, 16)));
        }
    }
    return bytes;
}

std::vector<ReceivedFrame> FeedInPieces(FrameReader& reader, const Bytes& bytes,
                                        std::size_t piece) {
    std::vector<ReceivedFrame> frames;
    for (std::size_t first = 0; first < bytes.size(); first += piece) {
        const std::size_t size = std::min(piece, bytes.size() - first);
        for (ReceivedFrame& frame : reader.Feed(bytes.data() + first, size)) {
            frames.push_back(std::move(frame));
        }
    }
    return frames;
}

}  // namespace

class TestKvtsimFrames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestMatchesKnownFrames_data();
    void requestMatchesKnownFrames();
    void everyAddressAndKeyRoundTrips();
    void streamIsCutIntoFrames_data();
    void streamIsCutIntoFrames();
    void splitReadsGiveTheSameFrames_data();
    void splitReadsGiveTheSameFrames();
    void unfinishedFrameWaitsForItsRest();
};

void TestKvtsimFrames::requestMatchesKnownFrames_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("key");
    QTest::addColumn<Bytes>("expected");
    QTest::newRow("poll 1") << 1 << 0 << FromHex("FD 01 00 05");
    QTest::newRow("poll 2") << 2 << 0 << FromHex("FD 02 00 04");
    QTest::newRow("poll 127") << 127 << 0 << FromHex("FD 7F 00 07");
    QTest::newRow("T to 5") << 5 << 126 << FromHex("FD 05 7E 7B");
    QTest::newRow("S to 5") << 5 << 127 << FromHex("FD 05 7F 7A");
    QTest::newRow("key 1 to 10") << 10 << 1 << FromHex("FD 0A 01 73");
    QTest::newRow("S to 127") << 127 << 127 << FromHex("FD 7F 7F 00");
}

void TestKvtsimFrames::requestMatchesKnownFrames() {
    QFETCH(int, address);
    QFETCH(int, key);
    QFETCH(Bytes, expected);
    const auto request =
        kvtsim::MakeRequest(static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(key));
    QCOMPARE(Bytes(request.begin(), request.end()), expected);

    FrameReader reader;
    const auto frames = reader.Feed(expected.data(), expected.size());
    QCOMPARE(frames.size(), std::size_t{1});
    QCOMPARE(frames[0].verdict, FrameVerdict::Good);
    QCOMPARE(int(frames[0].address), address);
    QCOMPARE(int(frames[0].key), key);
}

void TestKvtsimFrames::everyAddressAndKeyRoundTrips() {
    // The check byte keeps 7 bits, so the lead stays the only byte with its top bit set, and every
    // frame built is read back as sound.
    FrameReader reader;
    for (int address = 0; address < 128; ++address) {
        for (int key = 0; key < 128; ++key) {
            const auto request = kvtsim::MakeRequest(static_cast<std::uint8_t>(address),
                                                     static_cast<std::uint8_t>(key));
            QVERIFY(request[3] < 0x80);
            const auto frames = reader.Feed(request.data(), request.size());
            QCOMPARE(frames.size(), std::size_t{1});
            QCOMPARE(frames[0].verdict, FrameVerdict::Good);
            QCOMPARE(int(frames[0].address), address);
            QCOMPARE(int(frames[0].key), key);
        }
    }
}

void TestKvtsimFrames::streamIsCutIntoFrames_data() {
    QTest::addColumn<Bytes>("stream");
    // One letter per reported frame: g good, c bad check, l bad lead, b bad byte, t cut short.
    QTest::addColumn<QString>("verdicts");
    QTest::addColumn<Bytes>("goodAddresses");
    QTest::newRow("two polls") << FromHex("FD 01 00 05 FD 02 00 04") << "gg" << Bytes{1, 2};
    QTest::newRow("bad check") << FromHex("FD 01 00 06") << "c" << Bytes{};
    QTest::newRow("bad check then good") << FromHex("FD 05 7E 7C FD 05 7E 7B") << "cg" << Bytes{5};
    QTest::newRow("garbage before a frame")
        << FromHex("00 13 7F 05 FD 01 00 05") << "lg" << Bytes{1};
    QTest::newRow("bad lead byte") << FromHex("FE 01 00 05 FD 0A 01 73") << "lg" << Bytes{10};
    QTest::newRow("frame cut short by the next lead")
        << FromHex("FD 01 FD 02 00 04") << "tg" << Bytes{2};
    QTest::newRow("lone lead then frame") << FromHex("FD FD 7F 7F 00") << "tg" << Bytes{127};
    QTest::newRow("top bit in the key") << FromHex("FD 01 80 05 FD 01 00 05") << "bg" << Bytes{1};
    QTest::newRow("reply bytes echoed back")
        << FromHex("49 44 3D 31 FD 7F 00 07 20 20") << "lgl" << Bytes{127};
}

void TestKvtsimFrames::streamIsCutIntoFrames() {
    QFETCH(Bytes, stream);
    QFETCH(QString, verdicts);
    QFETCH(Bytes, goodAddresses);
    FrameReader reader;
    const auto frames = reader.Feed(stream.data(), stream.size());
    QString seen;
    Bytes addresses;
    std::size_t bytesReported = 0;
    for (const ReceivedFrame& frame : frames) {
        bytesReported += frame.bytes.size();
        switch (frame.verdict) {
            case FrameVerdict::Good:
                seen += 'g';
                addresses.push_back(frame.address);
                break;
            case FrameVerdict::BadCheck:
                seen += 'c';
                break;
            case FrameVerdict::BadLead:
                seen += 'l';
                break;
            case FrameVerdict::BadByte:
                seen += 'b';
                break;
            case FrameVerdict::Truncated:
                seen += 't';
                break;
        }
    }
    QCOMPARE(seen, verdicts);
    QCOMPARE(addresses, goodAddresses);
    // Every byte is accounted for once, in a frame or in what is still pending.
    QCOMPARE(bytesReported + reader.PendingBytes(), stream.size());
}

void TestKvtsimFrames::splitReadsGiveTheSameFrames_data() {
    QTest::addColumn<int>("piece");
    for (int piece : {1, 2, 3, 5, 7}) {
        QTest::addRow("%d byte reads", piece) << piece;
    }
}

void TestKvtsimFrames::splitReadsGiveTheSameFrames() {
    QFETCH(int, piece);
    const Bytes stream = FromHex("FD 01 00 05 FD 05 7E 7B 11 FD 0A 01 73 FD 05 7F 7A FD 7F 7F 00");
    FrameReader reader;
    Bytes addresses;
    Bytes keys;
    for (const ReceivedFrame& frame :
         FeedInPieces(reader, stream, static_cast<std::size_t>(piece))) {
        if (frame.verdict == FrameVerdict::Good) {
            addresses.push_back(frame.address);
            keys.push_back(frame.key);
        }
    }
    QCOMPARE(addresses, (Bytes{1, 5, 10, 5, 127}));
    QCOMPARE(keys, (Bytes{0, 126, 1, 127, 127}));
    QCOMPARE(reader.PendingBytes(), std::size_t{0});
}

void TestKvtsimFrames::unfinishedFrameWaitsForItsRest() {
    FrameReader reader;
    const Bytes head = FromHex("FD 05");
    QVERIFY(reader.Feed(head.data(), head.size()).empty());
    QCOMPARE(reader.PendingBytes(), std::size_t{2});
    const Bytes tail = FromHex("7E 7B");
    const auto frames = reader.Feed(tail.data(), tail.size());
    QCOMPARE(frames.size(), std::size_t{1});
    QCOMPARE(frames[0].verdict, FrameVerdict::Good);
    QCOMPARE(kvtsim::FormatBytes(frames[0].bytes), std::string("FD 05 7E 7B"));
}

QTEST_APPLESS_MAIN(TestKvtsimFrames)
#include "tst_kvtsimframes.moc"
