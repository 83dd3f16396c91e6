// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted run on kvtsim's line, recorded by the history as the console records it (link,
// update queue, pump, hub): the rows land in the file with their kinds, devices and order. With a
// file that cannot be kept the link polls on and the status says why.
#include "../link/linktestutil.h"
#include "history/historykeeper.h"
#include "history/historyreader.h"
#include "kvtsimprocess.h"
#include "link/linkcontroller.h"
#include "link/linkeventhub.h"
#include "link/linkpump.h"
#include "link/linkupdatequeue.h"
#include "port/qtserialio.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace k4;
using namespace k4test;

namespace {

class HubEffects final : public NoEffects {
public:
    void linkEvent(const LinkEvent& e) override { hub.publish(e); }
    LinkEventHub hub;
};

using Step = std::pair<HistoryKind, int>;

}  // namespace

class TestHistoryRecords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString error = sim_.start({"--ids", "1,2,5", "--turnaround-us", "500"});
        if (!error.isEmpty()) {
            QSKIP(qPrintable(error));
        }
    }
    void scriptedRun_data();
    void scriptedRun();

private:
    KvtsimProcess sim_;
};

void TestHistoryRecords::scriptedRun_data() {
    QTest::addColumn<QString>("place");  // where the file goes, under a fresh folder
    QTest::addColumn<QString>("off");    // the status text's start when it cannot be kept
    QTest::newRow("kept") << "data/history.sqlite" << QString();
    // The "folder" is a file: nothing can be made there, whoever runs the test.
    QTest::newRow("folder cannot be written") << "blocker/history.sqlite"
                                              << "History off: the folder";
    QTest::newRow("damaged file") << "bad/history.sqlite"
                                  << "History: the damaged file";
}

void TestHistoryRecords::scriptedRun() {
    QFETCH(QString, place);
    QFETCH(QString, off);
    QTemporaryDir dir;
    const QString path = dir.filePath(place);
    QFile blocker(dir.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    QVERIFY(QDir(dir.path()).mkpath("bad"));
    QFile bad(dir.filePath("bad/history.sqlite"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(8192, 'x'));
    bad.close();

    DeviceTable table;
    for (const std::uint8_t id : {1, 2, 5}) {
        AddLoadedDevice(table, id);
    }
    HubEffects fx;
    LinkUpdateQueue queue;
    LinkPump pump(queue, fx);
    HistoryKeeper keeper(path, {},
                         {[&](std::uint8_t id) {
                              const int i = table.indexOfAddress(id);
                              return i < 0 ? QString() : table[i].DeviceName;
                          },
                          [] { return QStringLiteral("/ws/line.kvt"); }});
    keeper.start();
    keeper.attach(fx.hub);
    std::vector<LinkEvent::Kind> seen;
    fx.hub.subscribe([&](const LinkEvent& e) { seen.push_back(e.kind); });
    const auto saw = [&](LinkEvent::Kind k) {
        return std::find(seen.begin(), seen.end(), k) != seen.end();
    };
    LinkController link;
    const QString device = sim_.linkPath();
    link.setPortFactory([device](int) { return std::make_unique<QtSerialIo>(device); });
    link.setEffects(&queue);
    link.setMessageSink([](const QString&) {});
    link.StartLink(&table, 1);

    const auto eventually = [&](const std::function<bool()>& pred) {
        return QTest::qWaitFor(pred, 10000);
    };
    const auto replies = [&](int slot) { return table[slot].Health.counts().replies; };
    QVERIFY(eventually([&] { return replies(1) > 0; }));
    QCOMPARE(sim_.command("silent 2"), QStringLiteral("OK silent 2"));
    QVERIFY(eventually([&] { return saw(LinkEvent::Kind::DeviceFailing); }));
    QCOMPARE(sim_.command("normal 2"), QStringLiteral("OK normal 2"));
    QVERIFY(eventually([&] { return saw(LinkEvent::Kind::DeviceBack); }));
    QCOMPARE(sim_.command("attention 5 on"), QStringLiteral("OK attention 5 on"));
    QVERIFY(eventually([&] { return saw(LinkEvent::Kind::AttentionRaised); }));
    QCOMPARE(sim_.command("unplug"), QStringLiteral("OK unplug"));
    QVERIFY(eventually([&] { return saw(LinkEvent::Kind::LineLost); }));
    QCOMPARE(sim_.command("replug"), QStringLiteral("OK replug"));
    QVERIFY(eventually([&] { return saw(LinkEvent::Kind::LineBack); }));
    keeper.recorder().recordOperator(HistoryKind::KeySent, 1, {}, QStringLiteral("key F1"));
    table[0].DeviceName = QStringLiteral("Encoder A");
    keeper.recorder().recordOperator(HistoryKind::DeviceEdited, 1, {},
                                     QStringLiteral("Device 1 -> Encoder A"));
    // The line polls on whatever became of the history.
    const auto polled = replies(0);
    QVERIFY(eventually([&] { return replies(0) > polled + 10; }));
    link.StopLink();
    pump.deliverNow();
    keeper.writer().flush();
    QCoreApplication::processEvents();
    QCOMPARE(sim_.command("attention 5 off"), QStringLiteral("OK attention 5 off"));

    if (off.startsWith("History off")) {
        QVERIFY2(keeper.statusText().startsWith(off), qPrintable(keeper.statusText()));
        QVERIFY(!QFile::exists(path));
        return;
    }
    QVERIFY2(keeper.statusText().startsWith(off), qPrintable(keeper.statusText()));
    if (!off.isEmpty()) {
        const QStringList aside = QDir(dir.filePath("bad")).entryList({"history.corrupt-*"});
        QCOMPARE(aside.size(), 1);
    }
    HistoryReader reader(path);
    QVERIFY2(reader.open(), qPrintable(reader.error()));
    const auto rows = reader.page({}, 0, 1000, reader.count({}));
    const std::vector<Step> expected = {
        {HistoryKind::ConsoleStarted, kNoDevice}, {HistoryKind::LineOpened, kNoDevice},
        {HistoryKind::DeviceFailing, 2},          {HistoryKind::DeviceBack, 2},
        {HistoryKind::AttentionRaised, 5},        {HistoryKind::LineLost, kNoDevice},
        {HistoryKind::LineBack, kNoDevice},       {HistoryKind::KeySent, 1},
        {HistoryKind::DeviceEdited, 1},           {HistoryKind::LineClosed, kNoDevice}};
    // The script's steps in order; the unplugged line also fails the devices on the way.
    std::size_t next = 0;
    for (const HistoryRow& row : rows) {
        if (next < expected.size() && row.kind == expected[next].first &&
            row.device == expected[next].second) {
            QCOMPARE(row.workspace, QStringLiteral("/ws/line.kvt"));
            ++next;
        }
    }
    QVERIFY2(next == expected.size(), qPrintable(QStringLiteral("missing step %1").arg(next)));
    const auto named = reader.page({1, HistoryGroup::Operator}, 0, 10, 2);
    QCOMPARE(named.size(), std::size_t{2});
    QCOMPARE(named[0].deviceName, QStringLiteral("Device 1"));  // as it was then
    QCOMPARE(named[1].deviceName, QStringLiteral("Encoder A"));
}

QTEST_GUILESS_MAIN(TestHistoryRecords)
#include "tst_historyrecords.moc"
