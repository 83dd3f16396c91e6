// SPDX-License-Identifier: GPL-3.0-or-later
// The line's state in the main window's status line while kvtsim pulls its line away and brings
// it back: the panels fail and recover on their own, the status line follows.
#include "displaytext.h"
#include "linefixture.h"
#include "manager/kvtmanager.h"
#include "panel/displaycells.h"
#include "panel/mdichild.h"

#include <QLabel>
#include <QStatusBar>

using k4::App;
using k4test::kPatienceMs;
using k4test::ProgramRun;

namespace {

QByteArray DisplayText(const k4::TMDIChild* panel) {
    return k4test::DisplayText(panel->LCDBuffer);
}

}  // namespace

class TestLineStatus : public k4test::LineTest {
    Q_OBJECT
private Q_SLOTS:
    void lostThenOpenInStatusLine();
};

void TestLineStatus::lostThenOpenInStatusLine() {
    QVERIFY(!fx_.startsWithRack({{1, "Alpha"}, {2, "Beta"}}).isEmpty());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    auto* status = run.form->StatusBar->findChild<QLabel*>(QStringLiteral("LineStatus"));
    QVERIFY(status);
    const QString port = QStringLiteral("COM1 (") + fx_.line.linkPath() + QStringLiteral("): ");
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), port + QStringLiteral("open"), kPatienceMs);
    // A menu hint takes the rest of the line and leaves the line's state where it is.
    run.form->StatusBar->showMessage(QStringLiteral("Open an existing workspace"));
    QVERIFY(status->isVisible());
    QCOMPARE(status->text(), port + QStringLiteral("open"));

    k4::TMDIChild* alpha = App().Manager->panelOf(0);
    k4::TMDIChild* beta = App().Manager->panelOf(1);
    QTRY_VERIFY_WITH_TIMEOUT(DisplayText(alpha).contains("Alpha"), kPatienceMs);
    QCOMPARE(fx_.line.command(QStringLiteral("unplug")), QStringLiteral("OK unplug"));
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), port + QStringLiteral("lost, reopening"),
                              kPatienceMs);
    const QByteArray failed = QByteArray(k4::kCommErrorText, k4::kDisplayCells);
    QTRY_VERIFY_WITH_TIMEOUT(DisplayText(alpha) == failed && DisplayText(beta) == failed,
                             kPatienceMs);

    QCOMPARE(fx_.line.command(QStringLiteral("replug")), QStringLiteral("OK replug"));
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), port + QStringLiteral("open"), kPatienceMs);
    QTRY_VERIFY_WITH_TIMEOUT(
        DisplayText(alpha).contains("Alpha") && DisplayText(beta).contains("Beta"), kPatienceMs);

    // Without a workspace no link runs, and the line's part of the status line is empty.
    run.item("FileExitItem")->trigger();
    QVERIFY(!App().linkRunning());
    QTRY_VERIFY_WITH_TIMEOUT(App().Views.lineState().condition == k4::LineCondition::Closed,
                             kPatienceMs);
}

QTEST_MAIN(TestLineStatus)
#include "tst_linestatus.moc"
