// SPDX-License-Identifier: GPL-3.0-or-later
// The file's rules: a kill -9 leaves a clean file holding what came a second before; strips from
// rows; the reader's pages and device filter; the CSV's safe cells.
#include "childprocess.h"
#include "history/historycsv.h"
#include "history/historyfile.h"
#include "history/historyreader.h"
#include "history/historywriter.h"

#include <QDateTime>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace k4;

Q_DECLARE_METATYPE(std::vector<k4::HistoryRow>)
Q_DECLARE_METATYPE(std::vector<k4::AvailabilitySpan>)

namespace {

HistoryRow Row(qint64 t, HistoryKind kind, int device = kNoDevice) {
    HistoryRow r;
    r.utcMs = t;
    r.kind = kind;
    r.device = device;
    return r;
}

QString SpansText(const std::vector<AvailabilitySpan>& spans) {
    QStringList parts;
    for (const auto& s : spans) {
        parts
            << QStringLiteral("%1-%2 %3").arg(s.fromMs).arg(s.toMs).arg(AvailabilityText(s.state));
    }
    return parts.join(", ");
}

}  // namespace

class TestHistoryFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void killedWriterLeavesCleanFile();
    void strips_data();
    void strips();
    void pagesAndDeviceFilter();
    void safeCells_data();
    void safeCells();
};

void TestHistoryFile::killedWriterLeavesCleanFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("history.sqlite");
    QProcess child;
    QVERIFY(k4test::StartChildProcess(
        child, QCoreApplication::applicationDirPath() + "/history_crashchild", {path}, 10000));
    QVERIFY(child.waitForReadyRead(10000));
    QCOMPARE(child.readLine().trimmed(), QByteArray("recorded"));
    QTest::qWait(1000);  // at most the last second may be missing
    child.kill();
    QVERIFY(child.waitForFinished(5000));
    {
        QSqlDatabase db = AddHistoryConnection("check", path, false);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("PRAGMA integrity_check") && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ok"));
        QVERIFY(q.exec("SELECT device, device_name, text FROM events WHERE kind = 45") && q.next());
        QCOMPARE(q.value(0).toInt(), 7);
        QCOMPARE(q.value(2).toString(), QStringLiteral("before the kill"));
    }
    QSqlDatabase::removeDatabase("check");
}

void TestHistoryFile::strips_data() {
    using K = HistoryKind;
    QTest::addColumn<std::vector<HistoryRow>>("rows");
    QTest::addColumn<QString>("spans");  // device 3's strip over [100, 200)
    QTest::newRow("nothing known: not polled") << std::vector<HistoryRow>{} << "100-200 Not polled";
    QTest::newRow("open before the range, failing inside")
        << std::vector<HistoryRow>{Row(50, K::LineOpened), Row(120, K::DeviceFailing, 3),
                                   Row(150, K::DeviceBack, 3)}
        << "100-120 Answering, 120-150 Failing, 150-200 Answering";
    QTest::newRow("line lost hides the failure, which outlasts it")
        << std::vector<HistoryRow>{Row(100, K::LineOpened), Row(110, K::DeviceFailing, 3),
                                   Row(130, K::LineLost), Row(160, K::LineBack),
                                   Row(170, K::DeviceBack, 3)}
        << "100-110 Answering, 110-130 Failing, 130-160 Not polled, 160-170 Failing, "
           "170-200 Answering";
    QTest::newRow("attention under a failure; a new run clears both")
        << std::vector<HistoryRow>{Row(100, K::LineOpened),       Row(110, K::AttentionRaised, 3),
                                   Row(120, K::DeviceFailing, 3), Row(140, K::ConsoleStarted),
                                   Row(150, K::LineOpened),       Row(190, K::AttentionCleared, 3)}
        << "100-110 Answering, 110-120 Attention, 120-140 Failing, 140-150 Not polled, "
           "150-200 Answering";
    QTest::newRow("rows after the range change nothing")
        << std::vector<HistoryRow>{Row(100, K::LineOpened), Row(200, K::DeviceFailing, 3)}
        << "100-200 Answering";
}

void TestHistoryFile::strips() {
    QFETCH(std::vector<HistoryRow>, rows);
    QFETCH(QString, spans);
    const auto strips = BuildStrips(rows, 100, 200, {3});
    QCOMPARE(strips.size(), std::size_t{1});
    QCOMPARE(SpansText(strips[0].spans), spans);
    const AvailabilitySpan* at = SpanAt(strips[0], 199);
    QVERIFY(at != nullptr && at->toMs == 200);
    QCOMPARE(SpanAt(strips[0], 200), nullptr);
}

void TestHistoryFile::pagesAndDeviceFilter() {
    QTemporaryDir dir;
    const QString path = dir.filePath("h.sqlite");
    {
        HistoryWriter writer(path, {});
        writer.start();
        // Recent rows: older ones would be trimmed as soon as the file opens.
        const qint64 base = QDateTime::currentMSecsSinceEpoch() - 10'000;
        for (int i = 0; i < 1000; ++i) {
            HistoryRow r = Row(base + i, HistoryKind::KeySent, i % 4);
            r.text = QStringLiteral("key %1").arg(i);
            writer.add(r);
        }
        writer.flush();
        QVERIFY(writer.status().on);
    }
    HistoryReader reader(path);
    QVERIFY(reader.open());
    const qint64 total = reader.count({});
    QVERIFY2(reader.error().isEmpty(), qPrintable(reader.error()));
    QCOMPARE(total, qint64{1000});
    // A page near the end is read backwards; it must be the same rows in the same order.
    const auto tail = reader.page({}, 900, 50, total);
    QCOMPARE(tail.size(), std::size_t{50});
    QCOMPARE(tail.front().text, QStringLiteral("key 900"));
    QCOMPARE(tail.back().text, QStringLiteral("key 949"));
    QCOMPARE(reader.page({}, 990, 50, total).size(), std::size_t{10});
    HistoryFilter device2;
    device2.device = 2;
    QCOMPARE(reader.count(device2), qint64{250});
    const auto rows = reader.page(device2, 0, 300, 250);
    QVERIFY(
        std::all_of(rows.begin(), rows.end(), [](const HistoryRow& r) { return r.device == 2; }));
    HistoryFilter text;
    text.contains = QStringLiteral("KEY 99_");  // "_" is a letter here, not a wildcard
    QCOMPARE(reader.count(text), qint64{0});
    text.contains = QStringLiteral("KEY 99");
    QCOMPARE(reader.count(text), qint64{11});
}

void TestHistoryFile::safeCells_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("plain") << "Encoder A"
                           << "Encoder A";
    QTest::newRow("formula") << "=HYPERLINK(1)"
                             << "'=HYPERLINK(1)";
    QTest::newRow("plus") << "+1"
                          << "'+1";
    QTest::newRow("minus") << "-2"
                           << "'-2";
    QTest::newRow("at") << "@SUM(A1)"
                        << "'@SUM(A1)";
    QTest::newRow("tab") << "\tx"
                         << "'\tx";
    QTest::newRow("carriage return quoted") << "\rx"
                                            << "\"'\rx\"";
    QTest::newRow("comma and quote") << "a,\"b\""
                                     << "\"a,\"\"b\"\"\"";
    QTest::newRow("line feed") << "a\nb"
                               << "\"a\nb\"";
}

void TestHistoryFile::safeCells() {
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QCOMPARE(SafeCsvCell(text), cell);
}

QTEST_GUILESS_MAIN(TestHistoryFile)
#include "tst_historyfile.moc"
