// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of a network line without a socket: which addresses a port's device may be, and
// the Telnet COM-port conversation (0xFF escaping both ways, negotiation, the settings answers).
#include "port/netaddress.h"
#include "port/telnetcomport.h"

#include <QTest>

using namespace k4;

namespace {

using Bytes = std::vector<std::uint8_t>;

QByteArray Hex(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex(' ');
}

Bytes FromHex(const char* hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return Bytes(raw.begin(), raw.end());
}

}  // namespace

class TestNetLineParts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addresses_data();
    void addresses();
    void outgoingDataDoublesFF();
    void received_data();
    void received();
    void settingsAnswers();
};

void TestNetLineParts::addresses_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");  // empty: refused
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("rfc2217");
    QTest::newRow("rfc2217 name") << "rfc2217://rack2:2217"
                                  << "rack2" << 2217 << true;
    QTest::newRow("tcp, blanks, upper-case scheme") << " TCP://10.0.0.7:4001 "
                                                    << "10.0.0.7" << 4001 << false;
    QTest::newRow("IPv6") << "rfc2217://[::1]:2217"
                          << "::1" << 2217 << true;
    QTest::newRow("trailing dot, underscore") << "tcp://rack_2.studio.:4001"
                                              << "rack_2.studio." << 4001 << false;
    QTest::newRow("IPv6 without brackets") << "rfc2217://::1:2217"
                                           << "" << 0 << true;
    QTest::newRow("no port") << "rfc2217://rack2"
                             << "" << 0 << true;
    QTest::newRow("port 0") << "tcp://rack2:0"
                            << "" << 0 << true;
    QTest::newRow("port too big") << "tcp://rack2:65536"
                                  << "" << 0 << true;
    QTest::newRow("signed port") << "tcp://rack2:+22"
                                 << "" << 0 << true;
    QTest::newRow("no host") << "tcp://:2217"
                             << "" << 0 << true;
    QTest::newRow("blank in host") << "tcp://rack 2:2217"
                                   << "" << 0 << true;
    QTest::newRow("path after port") << "tcp://rack2:2217/x"
                                     << "" << 0 << true;
    QTest::newRow("bad IPv6") << "tcp://[rack2]:2217"
                              << "" << 0 << true;
    QTest::newRow("unknown scheme") << "telnet://rack2:23"
                                    << "" << 0 << true;
}

void TestNetLineParts::addresses() {
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(bool, rfc2217);
    QVERIFY(IsNetAddress(text));
    const auto address = ParseNetAddress(text);
    QCOMPARE(address.has_value(), !host.isEmpty());
    // A refused address is always pointed out, a sound one never.
    QCOMPARE(NetAddressWarning(text).isEmpty(), !host.isEmpty());
    if (address) {
        QCOMPARE(address->host, host);
        QCOMPARE(int(address->port), port);
        QCOMPARE(address->scheme == NetScheme::Rfc2217, rfc2217);
    }
}

void TestNetLineParts::outgoingDataDoublesFF() {
    const Bytes frame = FromHex("fd05ff00ff");
    Bytes out;
    TelnetComPort::escape(frame.data(), frame.size(), out);
    QCOMPARE(Hex(out), QByteArray("fd 05 ff ff 00 ff ff"));
}

// What the far end sends, cut at every possible place, gives the same data and answers.
void TestNetLineParts::received_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("doubled FF is one data byte")
        << QByteArray("41ffff42") << QByteArray("41 ff 42") << QByteArray();
    QTest::newRow("answers to our own offers stay unanswered")
        << QByteArray("fffd00fffb00fffd2cfffb03") << QByteArray() << QByteArray();
    QTest::newRow("echo and unknown options declined")
        << QByteArray("fffb01fffd18") << QByteArray() << QByteArray("ff fe 01 ff fc 18");
    QTest::newRow("binary withdrawn is acknowledged")
        << QByteArray("fffc00") << QByteArray() << QByteArray("ff fe 00");
    QTest::newRow("notices and NOP between data")
        << QByteArray("41fffa2c6b00fff0fff142") << QByteArray("41 42") << QByteArray();
}

void TestNetLineParts::received() {
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, reply);
    const Bytes bytes = FromHex(in.constData());
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        TelnetComPort telnet;
        telnet.opening(KvtLineSettings());
        Bytes gotData;
        Bytes gotReply;
        telnet.receive(bytes.data(), cut, gotData, gotReply);
        telnet.receive(bytes.data() + cut, bytes.size() - cut, gotData, gotReply);
        QCOMPARE(Hex(gotData), data);
        QCOMPARE(Hex(gotReply), reply);
    }
}

// The opening asks for 28800 8N1 and DTR; the answers are the settings in force.
void TestNetLineParts::settingsAnswers() {
    TelnetComPort telnet;
    const QByteArray opening = Hex(telnet.opening(KvtLineSettings()));
    QVERIFY2(
        opening.contains("ff fa 2c 01 00 00 70 80 ff f0 ff fa 2c 02 08 ff f0 ff fa 2c 03 01 ff "
                         "f0 ff fa 2c 04 01 ff f0 ff fa 2c 05 08 ff f0"),
        opening.constData());
    QVERIFY(opening.startsWith("ff fb 00 ff fb 03 ff fb 2c ff fd 00 ff fd 03"));
    Bytes data;
    Bytes reply;
    // A baud answer of 0x0000ff00 carries a doubled FF.
    const Bytes answers = FromHex("fffa2c650000ffff00fff0fffa2c6608fff0fffa2c6701fff0");
    telnet.receive(answers.data(), answers.size(), data, reply);
    QVERIFY(!telnet.settingsAnswered());
    const Bytes last = FromHex("fffa2c6801fff0");
    telnet.receive(last.data(), last.size(), data, reply);
    QVERIFY(telnet.settingsAnswered());
    QCOMPARE(telnet.answeredSettings(), (ComPortSettings{0xff00, 8, 1, 1}));
    QVERIFY(!(telnet.answeredSettings() == KvtLineSettings()));
    QVERIFY(data.empty() && reply.empty());
    const Bytes refusal = FromHex("fffe2c");
    telnet.receive(refusal.data(), refusal.size(), data, reply);
    QVERIFY(telnet.comPortRefused());
    QCOMPARE(Hex(reply), QByteArray("ff fc 2c"));
}

QTEST_APPLESS_MAIN(TestNetLineParts)
#include "tst_netlineparts.moc"
