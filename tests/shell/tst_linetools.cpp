// SPDX-License-Identifier: GPL-3.0-or-later
// The line monitor and the line scan in the running program, on a kvtsim line with devices 3, 17
// and 99 (99 answers with bad replies), of which the workspace holds 3.
#include "linefixture.h"
#include "link/monitortext.h"
#include "manager/kvtmanager.h"
#include "manager/linescandialog.h"
#include "monitor/linemonitor.h"
#include "monitor/monitormodel.h"

#include <QDateTime>
#include <QFile>
#include <QPushButton>
#include <QTreeWidget>

using k4::App;
using k4test::ProgramRun;

namespace {

k4::TLineMonitor* Monitor(ProgramRun& run) {
    return run.form->findChild<k4::TLineMonitor*>();
}

// The rows of the monitor's view that are exchanges with id of kind reply.
int RowsOf(const k4::MonitorModel& model, int id, const QString& reply) {
    int n = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        n +=
            model.index(row, int(k4::MonitorColumn::Id)).data().toString() == QString::number(id) &&
                    model.index(row, int(k4::MonitorColumn::Reply)).data().toString() == reply
                ? 1
                : 0;
    }
    return n;
}

}  // namespace

class TestLineTools : public k4test::LineTest {
    Q_OBJECT
private Q_SLOTS:
    void monitorShowsTheLine();
    void scanFindsAndAddsTheNewDevices_data();
    void scanFindsAndAddsTheNewDevices();

private:
    bool startWithDeviceThree(ProgramRun& run);
};

bool TestLineTools::startWithDeviceThree(ProgramRun& run) {
    // The line's devices become 3, 17 and 99 (done again by later tests, which kvtsim refuses).
    for (const char* command :
         {"remove 1", "remove 2", "add 3 Three", "add 17 Pump", "add 99", "garble 99"}) {
        fx_.line.command(QString::fromLatin1(command));
    }
    return !fx_.startsWithRack({{3, "Three"}}).isEmpty() && run.startUp();
}

void TestLineTools::monitorShowsTheLine() {
    ProgramRun run(fx_.folder());
    QVERIFY(startWithDeviceThree(run));
    QAction* item = run.item("LineMonitor");
    QVERIFY(item->isEnabled());
    item->trigger();
    k4::TLineMonitor* monitor = Monitor(run);
    QVERIFY(monitor);
    QVERIFY(item->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(RowsOf(monitor->model(), 3, "Display reply") > 0, k4test::kPatienceMs);

    // A failure stands out in the panels' red.
    QCOMPARE(fx_.line.command("silent 3"), QStringLiteral("OK silent 3"));
    QTRY_VERIFY_WITH_TIMEOUT(RowsOf(monitor->model(), 3, "No reply") > 0, k4test::kPatienceMs);
    QCOMPARE(fx_.line.command("normal 3"), QStringLiteral("OK normal 3"));
    const k4::MonitorModel& model = monitor->model();
    for (int row = 0; row < model.rowCount(); ++row) {
        const bool failed = model.index(row, int(k4::MonitorColumn::Reply)).data() == "No reply";
        QCOMPARE(model.index(row, 0).data(Qt::BackgroundRole).value<QColor>(),
                 failed ? QColor(255, 0, 0) : QColor());
    }

    // Save as writes what the view holds, after the header.
    monitor->PauseButton->setChecked(true);
    const QString csv = fx_.dir->filePath(QStringLiteral("line.csv"));
    fx_.dialogs->fileNames.push_back(csv);
    monitor->SaveButton->click();
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.front(),
             QByteArray("Time,ID,Device,Sent,Request,Reply,Reply bytes,Display,Attn,Reply ms"));
    QCOMPARE(lines.size(), model.rowCount() + 2);  // and the empty rest after the last newline
    QVERIFY(lines[1].contains(",FD ") || lines[1].contains("Port opened"));
    QVERIFY(lines.last() == "" && lines[lines.size() - 2].contains(",3,Three,Poll,FD 03 00 7B,"));

    // A file that cannot take the rows is reported, never taken for saved.
    fx_.dialogs->fileNames.push_back(QStringLiteral("/dev/full"));
    monitor->SaveButton->click();
    QVERIFY(!fx_.dialogs->shown.isEmpty());
    QVERIFY(fx_.dialogs->shown.last().startsWith(QStringLiteral("Cannot write /dev/full: ")));

    // Cleared while paused, the view takes up only what came after the Clear.
    QTest::qWait(3 * k4::TLineMonitor::kReadIntervalMs);
    monitor->ClearButton->click();
    const qint64 clearedUs = QDateTime::currentMSecsSinceEpoch() * 1000;
    monitor->PauseButton->setChecked(false);
    QTRY_VERIFY_WITH_TIMEOUT(model.rowCount() > 0, k4test::kPatienceMs);
    QVERIFY(model.shown().front().wallUs >= clearedUs - 50000);

    item->trigger();
    QVERIFY(!Monitor(run));
    QVERIFY(!item->isChecked());
}

void TestLineTools::scanFindsAndAddsTheNewDevices_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("editable") << false;
    QTest::newRow("read only") << true;
}

void TestLineTools::scanFindsAndAddsTheNewDevices() {
    QFETCH(bool, readOnly);
    ProgramRun run(fx_.folder());
    QVERIFY(startWithDeviceThree(run));
    if (readOnly) {
        run.item("ROset")->trigger();
    }
    App().WorkspaceModified = false;
    k4::DeviceTable& table = App().Manager->table();
    std::uint64_t repliesOfThree = 0;
    QStringList rows;
    fx_.dialogs->drivers.push_back([&](QDialog& dialog) {
        auto* scan = qobject_cast<k4::TLineScanDialog*>(&dialog);
        if (scan == nullptr) {
            return int(QDialog::Rejected);
        }
        repliesOfThree = table[0].Health.counts().replies;
        scan->StartButton->click();
        if (!QTest::qWaitFor([] { return !App().Scan.progress().running; }, 60000)) {
            return int(QDialog::Rejected);
        }
        scan->refresh();
        repliesOfThree = table[0].Health.counts().replies - repliesOfThree;
        for (int i = 0; i < scan->Found->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = scan->Found->topLevelItem(i);
            rows << row->text(0) + " | " + row->text(1).section(QStringLiteral(" ("), 0, 0) +
                        " | " + row->text(2);
        }
        scan->AddButton->click();
        return int(QDialog::Accepted);
    });
    run.item("ScanLine")->trigger();
    QCOMPARE(rows,
             QStringList({"3 | display reply: ID=3 Three | yes",
                          "17 | display reply: ID=17 Pump | no", "99 | answers, bad reply | no"}));
    // The workspace's device was polled all along: a probe takes at most every other tick.
    QVERIFY2(repliesOfThree >= 60, qPrintable(QString::number(repliesOfThree)));

    if (readOnly) {
        QCOMPARE(fx_.dialogs->shown, QStringList{"Not possible in ReadOnly mode."});
        QCOMPARE(table.count(), 1);
        QVERIFY(!App().WorkspaceModified);
        return;
    }
    QCOMPARE(table.count(), 3);
    QCOMPARE(table[1].DevID.load(), 17);
    QCOMPARE(table[1].DeviceName, QStringLiteral("ID=17 Pump"));
    QCOMPARE(table[2].DevID.load(), 99);
    QCOMPARE(table[2].DeviceName, QStringLiteral("Device 99"));
    QVERIFY(table[1].inUse() && table[2].inUse());
    QCOMPARE(App().Manager->nodeOf(1)->text(0), QStringLiteral("ID=17 ID=17 Pump"));
    QVERIFY(App().Manager->panelOf(2));
    QVERIFY(App().WorkspaceModified);
    // Polled from now on like any other device.
    QTRY_VERIFY_WITH_TIMEOUT(table[1].Health.counts().replies > 0, k4test::kPatienceMs);
}

QTEST_MAIN(TestLineTools)
#include "tst_linetools.moc"
