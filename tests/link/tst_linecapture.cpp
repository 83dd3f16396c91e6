// SPDX-License-Identifier: GPL-3.0-or-later
// The line monitor's capture: the ring that keeps the newest exchanges, the text of its rows, and
// what the link records of a real line (kvtsim): polls, keys, a silent device and a lost line.
#include "kvtsimprocess.h"
#include "link/linescan.h"
#include "link/linkcontroller.h"
#include "link/monitortext.h"
#include "linktestutil.h"
#include "port/qtserialio.h"
#include "recordingeffects.h"

#include <QDateTime>
#include <QTest>

#include <algorithm>
#include <cstring>

using namespace k4;
using namespace k4test;

namespace {

// An exchange whose reply carries its number in its first four bytes.
void RecordNumbered(LineCapture& capture, std::uint32_t number, std::size_t replyLength = 51) {
    std::array<std::uint8_t, 51> reply{};
    std::memcpy(reply.data(), &number, sizeof number);
    const auto now = LineCapture::SteadyClock::now();
    capture.recordExchange({0xFD, 1, 0, 5}, reply.data(), replyLength, now, now);
}

std::uint32_t NumberOf(const CapturedEntry& entry) {
    std::uint32_t number = 0;
    std::memcpy(&number, entry.reply.data(), sizeof number);
    return number;
}

// A reply as the line would bring it: row 0 "ID=7 Pump", the attention bit as asked.
CapturedEntry Entry(CaptureKind kind, std::uint8_t key, std::uint8_t length, bool attention) {
    CapturedEntry e;
    e.wallUs = 0;
    e.kind = kind;
    e.request = {0xFD, 7, key, 0};
    e.replyLength = length;
    e.reply.fill(' ');
    const char* top = "ID=7 Pump";
    std::memcpy(e.reply.data() + 1, top, std::strlen(top));
    e.reply[1] |= attention ? 0x80 : 0;
    e.latencyUs = length > 0 ? 18260 : -1;
    return e;
}

QString Text(const CapturedEntry& e, MonitorColumn column) {
    return MonitorCellText(e, column);
}

}  // namespace

class TestLineCapture : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ringKeepsTheNewestInOrder();
    void lineEventsComeBetweenTheirExchanges();
    void rowTexts_data();
    void rowTexts();
    void filterAndCsv();
    void csvCells_data();
    void csvCells();
    void captureOfARealLine();
};

void TestLineCapture::ringKeepsTheNewestInOrder() {
    LineCapture capture;
    const std::uint32_t total = LineCapture::kCapacity + 5;
    for (std::uint32_t i = 0; i < total; ++i) {
        RecordNumbered(capture, i);
    }
    LineCapture::Cursor cursor;
    std::vector<CapturedEntry> read;
    QCOMPARE(capture.readSince(cursor, read), LineCapture::kCapacity);
    QCOMPARE(NumberOf(read.front()), 5u);
    QCOMPARE(NumberOf(read.back()), total - 1);
    // The cursor goes on from there: only what came since.
    RecordNumbered(capture, total);
    read.clear();
    QCOMPARE(capture.readSince(cursor, read), std::size_t{1});
    QCOMPARE(NumberOf(read.front()), total);
}

void TestLineCapture::lineEventsComeBetweenTheirExchanges() {
    LineCapture capture;
    capture.recordLine({LineCondition::Open, 1, "/dev/ttyS0"});
    RecordNumbered(capture, 1);
    capture.recordLine({LineCondition::Lost, 1, "/dev/ttyS0"});
    capture.recordNotSent({0xFD, 1, 0, 5});
    capture.recordLine({LineCondition::Open, 1, "/dev/ttyS0"});
    LineCapture::Cursor cursor;
    std::vector<CapturedEntry> read;
    capture.readSince(cursor, read);
    QStringList rows;
    for (const CapturedEntry& e : read) {
        rows << Text(e, MonitorColumn::Sent) + QLatin1Char('/') + Text(e, MonitorColumn::Reply);
    }
    QCOMPARE(rows,
             QStringList({"Port opened /dev/ttyS0/", "Poll/Display reply", "Port lost /dev/ttyS0/",
                          "Poll/Not sent", "Port reopened /dev/ttyS0/"}));
}

void TestLineCapture::rowTexts_data() {
    QTest::addColumn<CapturedEntry>("entry");
    QTest::addColumn<QStringList>("cells");  // Sent, Request, Reply, Display, Attn, Reply ms
    CapturedEntry probe = Entry(CaptureKind::NoReply, 0, 0, false);
    probe.probe = true;
    QTest::newRow("poll, display reply, attention")
        << Entry(CaptureKind::Display, 0, 51, true)
        << QStringList{"Poll",
                       "FD 07 00 00",
                       "Display reply",
                       QStringLiteral("ID=7 Pump").leftJustified(24) + " | " + QString(24, ' '),
                       "yes",
                       "18.3"};
    QTest::newRow("key T, two-byte reply")
        << Entry(CaptureKind::TwoByte, 126, 2, false)
        << QStringList{"Key T (126)", "FD 07 7E 00", "Two-byte reply", "", "", "18.3"};
    QTest::newRow("key 16, bad reply")
        << Entry(CaptureKind::Bad, 16, 30, false)
        << QStringList{"Key 16 (16)", "FD 07 10 00", "Bad reply (30 bytes)", "", "", "18.3"};
    QTest::newRow("scan probe, silence")
        << probe << QStringList{"Scan poll", "FD 07 00 00", "No reply", "", "", ""};
}

void TestLineCapture::rowTexts() {
    QFETCH(CapturedEntry, entry);
    QFETCH(QStringList, cells);
    const QList<MonitorColumn> columns{MonitorColumn::Sent,      MonitorColumn::Request,
                                       MonitorColumn::Reply,     MonitorColumn::Display,
                                       MonitorColumn::Attention, MonitorColumn::Latency};
    QStringList texts;
    for (const MonitorColumn column : columns) {
        texts << Text(entry, column);
    }
    QCOMPARE(texts, cells);
    QCOMPARE(Text(entry, MonitorColumn::Id), QStringLiteral("7"));
    QCOMPARE(ReplyBytesText(Entry(CaptureKind::TwoByte, 0, 2, false)), QStringLiteral("20 49"));
}

void TestLineCapture::filterAndCsv() {
    const CapturedEntry answer = Entry(CaptureKind::TwoByte, 3, 2, false);
    const CapturedEntry silence = Entry(CaptureKind::NoReply, 0, 0, false);
    CapturedEntry lost;
    lost.kind = CaptureKind::Line;
    lost.line = LineCondition::Lost;
    QVERIFY(Passes(answer, {7, false}) && !Passes(answer, {8, false}));
    QVERIFY(!Passes(answer, {-1, true}) && Passes(silence, {7, true}));
    QVERIFY(Passes(lost, {8, true}) && IsFailure(lost) && !IsFailure(answer));

    QCOMPARE(CsvHeader(),
             QStringLiteral("Time,ID,Device,Sent,Request,Reply,Reply bytes,Display,Attn,Reply ms"));
    // The date and the device's name go with every row.
    CapturedEntry named = answer;
    named.wallUs = QDateTime(QDate(2026, 3, 1), QTime(23, 59, 58, 7)).toMSecsSinceEpoch() * 1000;
    named.deviceName = QStringLiteral("=Pump, north");
    QCOMPARE(CsvRow(named), QStringLiteral("2026-03-01 23:59:58.007,7,\"'=Pump, north\",Key 3 (3),"
                                           "FD 07 03 00,Two-byte reply,20 49,,,18.3"));
}

// What a spreadsheet would run as a formula opens as text; CR is quoted like LF.
void TestLineCapture::csvCells_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("minus inside") << "a-b=c"
                                  << "a-b=c";
    QTest::newRow("=") << "=HYPERLINK(\"x\")"
                       << "\"'=HYPERLINK(\"\"x\"\")\"";
    QTest::newRow("+") << "+41 dB"
                       << "\"'+41 dB\"";
    QTest::newRow("-") << "-12 dBm | Lock"
                       << "\"'-12 dBm | Lock\"";
    QTest::newRow("@") << "@SUM(A1)"
                       << "\"'@SUM(A1)\"";
    QTest::newRow("tab") << "\t=1"
                         << "\"'\t=1\"";
    QTest::newRow("CR first") << "\r=1"
                              << "\"'\r=1\"";
    QTest::newRow("CR inside") << "a\rb"
                               << "\"a\rb\"";
}

void TestLineCapture::csvCells() {
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QCOMPARE(CsvCell(text), cell);
}

// kvtsim's devices 1 and 2, 2 silent: a poll and a key for 1, silence from 2, the line unplugged.
void TestLineCapture::captureOfARealLine() {
    const QString exe = KvtsimProcess::executable();
    QVERIFY2(!exe.isEmpty(), "K4_KVTSIM must name the kvtsim executable");
    KvtsimProcess sim;
    const QString error = sim.start(exe, {"--ids", "1,2", "--chunk-bytes", "51"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(sim.command("silent 2"), QStringLiteral("OK silent 2"));
    DeviceTable table;
    AddLoadedDevice(table, 1);
    AddLoadedDevice(table, 2);
    RecordingEffects effects;
    LineCapture capture;
    LinkController link;
    const QString path = sim.linkPath();
    link.setPortFactory([path](int) { return std::make_unique<QtSerialIo>(path); });
    link.setEffects(&effects);
    link.setLineTools(&capture, nullptr);
    link.StartLink(&table, 1);

    std::vector<CapturedEntry> rows;
    LineCapture::Cursor cursor;
    const auto seen = [&](const QString& request, CaptureKind kind) {
        capture.readSince(cursor, rows);
        return std::any_of(rows.begin(), rows.end(), [&](const CapturedEntry& e) {
            return e.kind == kind && Text(e, MonitorColumn::Request) == request;
        });
    };
    QVERIFY(WaitUntil([&] { return seen("FD 01 00 05", CaptureKind::Display); }));
    QVERIFY(link.QueueCommand(1, 126));
    QVERIFY(WaitUntil([&] { return seen("FD 01 7E 07", CaptureKind::Display); }));
    QVERIFY(WaitUntil([&] { return seen("FD 02 00 04", CaptureKind::NoReply); }));
    QCOMPARE(sim.command("unplug"), QStringLiteral("OK unplug"));
    // Once the line is lost, requests no longer leave.
    QVERIFY(WaitUntil([&] {
        return seen("FD 01 00 05", CaptureKind::NotSent) &&
               std::any_of(rows.begin(), rows.end(), [](const CapturedEntry& e) {
                   return e.kind == CaptureKind::Line && e.line == LineCondition::Lost;
               });
    }));
    link.StopLink();
    capture.readSince(cursor, rows);

    QStringList lineRows;
    for (const CapturedEntry& e : rows) {
        if (e.kind == CaptureKind::Line) {
            lineRows << Text(e, MonitorColumn::Sent);
        } else if (e.kind == CaptureKind::Display) {
            QVERIFY(Text(e, MonitorColumn::Display).startsWith(QStringLiteral("ID=1 ")));
            QVERIFY(e.latencyUs >= 0 && e.replyLength == 51);
        }
    }
    QCOMPARE(lineRows,
             QStringList({"Port opened " + path, "Port lost " + path, "Port closed " + path}));
}

QTEST_GUILESS_MAIN(TestLineCapture)
#include "tst_linecapture.moc"
