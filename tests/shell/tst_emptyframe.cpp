// SPDX-License-Identifier: GPL-3.0-or-later
// The empty main frame before the first workspace: a hint with the ways in and the port.
#include "linefixture.h"

#include <QLabel>
#include <QMdiArea>

using k4test::ProgramRun;

class TestEmptyFrame : public k4test::LineTest {
    Q_OBJECT
private Q_SLOTS:
    void hintUntilTheFirstWorkspace();
};

void TestEmptyFrame::hintUntilTheFirstWorkspace() {
    QVERIFY(fx_.mapPortToLine());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QWidget* area = run.form->mdiArea()->viewport();
    const QPointer<QLabel> hint = area->findChild<QLabel*>(QStringLiteral("EmptyFrameHint"));
    QVERIFY(hint);
    QVERIFY(hint->isVisible());
    const QStringList lines = hint->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines, QStringList({"No workspace open", "File > New workspace (Ctrl+N)",
                                 "File > Open workspace (Ctrl+O)",
                                 "Setup > RS232 (Ctrl+R) to choose the serial port",
                                 "COM1 (" + fx_.line.linkPath() + ")"}));
    QCOMPARE(hint->geometry().center(), area->rect().center());

    run.item("FileNewItem")->trigger();
    QVERIFY(k4::App().workspaceOpen());
    QVERIFY(!hint || !hint->isVisible());
}

QTEST_MAIN(TestEmptyFrame)
#include "tst_emptyframe.moc"
