// SPDX-License-Identifier: GPL-3.0-or-later
// The exposition as Prometheus reads it, the request heads the endpoint accepts, and the addresses
// it listens on.
#include "core/devicetable.h"
#include "metrics/exposition.h"
#include "metrics/httprequest.h"
#include "metrics/metricssettings.h"

#include <QTest>

namespace {

void AddDevice(k4::DeviceTable& table, std::uint8_t id, const QString& name, bool inUse = true) {
    const int slot = table.lastIndex() + 1;
    table[slot].DevID.store(id);
    table[slot].DeviceName = name;
    table[slot].flags.store(inUse ? k4::kInUseFlag : 0);
    table.setLastIndex(slot);
}

}  // namespace

class TestExposition : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deviceSeriesEscapedAndCounted();
    void requestHead_data();
    void requestHead();
    void listenAddress_data();
    void listenAddress();
};

void TestExposition::deviceSeriesEscapedAndCounted() {
    k4::DeviceTable table;
    AddDevice(table, 5, QStringLiteral("Say \"hi\" \\ Gru\u00DF\nB"));
    AddDevice(table, 7, QStringLiteral("Spare"), false);                // not in use: not reported
    AddDevice(table, 5, QStringLiteral("Say \"hi\" \\ Gru\u00DF\nB"));  // the same series again
    AddDevice(table, 9, QStringLiteral("Mux"));
    table[0].Health.noteReply(1'000'000'000);
    table[0].Health.noteReply(4'000'000'000);
    table[3].Health.noteFailure(true);
    table[3].Health.noteFailure(false);
    table[3].CommError.store(1);
    table[3].Health.noteAttentionBit(true);  // held, whichever way the panel blinks now

    k4::MetricsInput in;
    in.table = &table;
    in.workspaceFile = QStringLiteral("/srv/rack.DID");
    in.line = {k4::LineCondition::Open, 3, "/dev/ttyUSB0", ""};
    in.lineLosses = 2;
    in.polls = 1234;
    in.lastRoundNs = 1'500'000'000;
    in.version = "0.1";
    in.nowNs = 6'000'000'000;         // the last reply of device 5 was 2 s ago...
    in.nowUtcMs = 1'700'000'010'000;  // ...so at 1700000008 s
    const QStringList lines = QString::fromStdString(k4::ExpositionText(in)).split('\n');

    const QString five = QStringLiteral("{id=\"5\",name=\"Say \\\"hi\\\" \\\\ Gru\u00DF\\nB\"}");
    const QString nine = QStringLiteral("{id=\"9\",name=\"Mux\"}");
    const QStringList expected{
        "k4mgr_build_info{version=\"0.1\"} 1",
        "k4mgr_workspace_info{file=\"/srv/rack.DID\"} 1",
        "k4mgr_line_up{port=\"COM3\",device=\"/dev/ttyUSB0\"} 1",
        "k4mgr_line_losses_total 2",
        "k4mgr_polls_total 1234",
        "k4mgr_poll_round_seconds 1.5",
        "# TYPE k4mgr_device_replies_total counter",
        "k4mgr_device_up" + five + " 1",
        "k4mgr_device_up" + nine + " 0",
        "k4mgr_device_replies_total" + five + " 2",
        "k4mgr_device_failures_total" + nine + " 2",
        "k4mgr_device_failure_episodes_total" + nine + " 1",
        "k4mgr_device_attention" + nine + " 1",
        "k4mgr_device_attention" + five + " 0",
        "k4mgr_device_last_reply_timestamp_seconds" + five + " 1700000008",
    };
    for (const QString& line : expected) {
        QVERIFY2(lines.contains(line), qPrintable(line));
    }
    QCOMPARE(lines.filter(QStringLiteral("k4mgr_device_up{")).size(), 2);
    QVERIFY(lines.filter(QStringLiteral("id=\"7\"")).isEmpty());
    // No reply yet: no timestamp rather than one from 1970.
    QVERIFY(lines.filter(QStringLiteral("k4mgr_device_last_reply_timestamp_seconds{id=\"9\""))
                .isEmpty());
}

void TestExposition::requestHead_data() {
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("status");  // for a complete head
    using S = k4::RequestHead::State;
    QTest::newRow("scrape") << QByteArray("GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n")
                            << int(S::Complete) << 200;
    QTest::newRow("query, LF only")
        << QByteArray("GET /metrics?x=1 HTTP/1.0\n\n") << int(S::Complete) << 200;
    QTest::newRow("head") << QByteArray("HEAD /metrics HTTP/1.1\r\n\r\n") << int(S::Complete)
                          << 200;
    QTest::newRow("post") << QByteArray("POST /metrics HTTP/1.1\r\n\r\n") << int(S::Complete)
                          << 405;
    QTest::newRow("other path") << QByteArray("GET /metricsx HTTP/1.1\r\n\r\n") << int(S::Complete)
                                << 404;
    QTest::newRow("half a line") << QByteArray("GET /met") << int(S::Incomplete) << 0;
    QTest::newRow("no end yet") << QByteArray("GET /metrics HTTP/1.1\r\nHost: x\r\n")
                                << int(S::Incomplete) << 0;
    QTest::newRow("binary at once") << QByteArray("\x16\x03\x01\x02", 4) << int(S::Garbage) << 0;
    QTest::newRow("lower-case method") << QByteArray("get /") << int(S::Garbage) << 0;
    QTest::newRow("long method") << QByteArray(40, 'A') << int(S::Garbage) << 0;
    QTest::newRow("control byte in target") << QByteArray("GET /a\x01") << int(S::Garbage) << 0;
    QTest::newRow("not HTTP") << QByteArray("GET /metrics SMTP\r\n\r\n") << int(S::Garbage) << 0;
    QTest::newRow("endless header")
        << "GET /metrics HTTP/1.1\r\nX: " + QByteArray(300, 'a') << int(S::TooLarge) << 0;
}

void TestExposition::requestHead() {
    QFETCH(QByteArray, received);
    QFETCH(int, state);
    QFETCH(int, status);
    const k4::RequestHead head = k4::ParseRequestHead(received, 256);
    QCOMPARE(int(head.state), state);
    if (head.state == k4::RequestHead::State::Complete) {
        QCOMPARE(k4::StatusFor(head.method, head.target), status);
    }
}

void TestExposition::listenAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");  // empty: refused
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("warned");
    QTest::newRow("default") << "127.0.0.1:9745"
                             << "127.0.0.1" << 9745 << false;
    QTest::newRow("localhost") << " localhost:80 "
                               << "127.0.0.1" << 80 << false;
    QTest::newRow("v6 loopback") << "[::1]:9745"
                                 << "::1" << 9745 << false;
    QTest::newRow("every address") << "*:9745"
                                   << "0.0.0.0" << 9745 << true;
    QTest::newRow("lan") << "192.168.1.20:9745"
                         << "192.168.1.20" << 9745 << true;
    QTest::newRow("no port") << "127.0.0.1"
                             << "" << 0 << false;
    QTest::newRow("port 0") << "127.0.0.1:0"
                            << "" << 0 << false;
    QTest::newRow("port too big") << "127.0.0.1:65536"
                                  << "" << 0 << false;
    QTest::newRow("v6 bare") << "::1:9745"
                             << "" << 0 << false;
    QTest::newRow("v4 in brackets") << "[127.0.0.1]:9745"
                                    << "" << 0 << false;
    QTest::newRow("host name") << "monitor.example:9745"
                               << "" << 0 << false;
    QTest::newRow("empty host") << ":9745"
                                << "" << 0 << false;
}

void TestExposition::listenAddress() {
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(bool, warned);
    const k4::ListenAddress a = k4::ParseListenAddress(text);
    QCOMPARE(a.ok(), !host.isEmpty());
    if (a.ok()) {
        QCOMPARE(a.host.toString(), host);
        QCOMPARE(int(a.port), port);
    }
    QCOMPARE(!k4::ExposureWarning(a).isEmpty(), warned);
}

QTEST_APPLESS_MAIN(TestExposition)
#include "tst_exposition.moc"
