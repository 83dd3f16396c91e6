// SPDX-License-Identifier: GPL-3.0-or-later
// Macro runs in the running program: the Setup menu's "R&un macro" submenu and the macro window's
// Run button, against kvtsim's devices 1 and 2 with only 2 marked.
#include "linefixture.h"
#include "macro/macrogrid.h"
#include "macro/twmacro.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>

using k4::App;
using k4test::ProgramRun;

class TestMacroRunMenu : public k4test::LineTest {
    Q_OBJECT
private Q_SLOTS:
    void runsFromTheMenuAndTheWindow();
};

void TestMacroRunMenu::runsFromTheMenuAndTheWindow() {
    QVERIFY(fx_.mapPortToLine());
    const QString rack = fx_.writeWorkspace(
        QStringLiteral("rack.DID"),
        k4test::WorkspaceText("rack.DID", {{1, "Alpha"}, {2, "Beta"}}) +
            "[MacroNames]\r\nMacroName3=Setup A\r\nMacroKeys3=T p300 3\r\nMacroDevices3=2:x\r\n"
            "MacroKeys4=S\r\nMacroDevices4=1:y\r\nMacroDevices5=1:y\r\n");
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QAction* submenu = run.item("MacroRunMenuAction");
    QAction* stop = run.item("MacroStop");
    QVERIFY(!submenu->isEnabled());
    fx_.dialogs->fileNames = {rack};
    run.item("FileOpenItem")->trigger();
    QVERIFY(submenu->isEnabled());
    QCOMPARE(submenu->text(), QStringLiteral("R&un macro"));
    QCOMPARE(submenu->menu()->actions().last(), stop);
    QCOMPARE(stop->text(), QStringLiteral("&Stop macro"));
    // Only macros 3 and 4 have both keys and devices.
    for (int k = 1; k <= k4::kMacroCount; ++k) {
        QAction* item = run.item(qPrintable(QStringLiteral("MacroRun%1").arg(k)));
        QCOMPARE(item->isEnabled(), k == 3 || k == 4);
        QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+F%1").arg(k)));
        QVERIFY(!item->autoRepeat());
    }
    QCOMPARE(run.item("MacroRun5")->toolTip(), QStringLiteral("No keys in the key sequence"));
    run.item("MacroRun3")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(run.form->StatusBar->currentMessage(),
                              QStringLiteral("Macro 'Setup A': 1 of 2 keys"), 20000);
    QVERIFY(stop->isEnabled());
    stop->trigger();
    QCOMPARE(run.form->StatusBar->currentMessage(),
             QStringLiteral("Macro 'Setup A': stopped after 1 of 2 keys"));
    QVERIFY(!stop->isEnabled());

    // Read only: the window's Save refuses, its Run runs what is stored, the workspace stays as
    // it was.
    run.item("ROset")->trigger();
    App().WorkspaceModified = false;
    run.item("MacroWindow")->trigger();
    auto* window = qobject_cast<k4::TWMacro*>(App().WMacro.data());
    window->MView->setCurrentCell(2, 1);
    k4::MacroState().nameMouseColumn = 1;
    window->MViewDblClick();
    QCOMPARE(window->MKeys->text(), QStringLiteral("T p300 3"));
    window->MKeys->setText(QStringLiteral("S"));
    window->MSave->click();
    QCOMPARE(fx_.dialogs->shown.last(), QStringLiteral("Not possible in ReadOnly mode."));
    window->MRun->click();
    QTRY_COMPARE_WITH_TIMEOUT(run.form->StatusBar->currentMessage(),
                              QStringLiteral("Macro 'Setup A': 1 device done"), 20000);
    QCOMPARE(fx_.line.keysTo(2), QList<int>({126, 126, 3}));
    QCOMPARE(fx_.line.keysTo(1), QList<int>());
    QVERIFY(!App().WorkspaceModified);

    // Ctrl+F4 runs macro 4 also while the macro window, which has a system menu, is active.
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : window, Qt::Key_F4, Qt::ControlModifier);
    QTRY_COMPARE(fx_.line.keysTo(1), QList<int>({127}));
    QVERIFY(window->isVisible());

    // Opening a workspace ends the run that went on in the one before.
    run.item("MacroRun3")->trigger();
    QVERIFY(stop->isEnabled());
    fx_.dialogs->fileNames = {rack};
    run.item("FileOpenItem")->trigger();
    QTRY_VERIFY(!stop->isEnabled());
    QVERIFY(run.form->StatusBar->currentMessage().startsWith("Macro 'Setup A': stopped after"));
}

QTEST_MAIN(TestMacroRunMenu)
#include "tst_macrorunmenu.moc"
