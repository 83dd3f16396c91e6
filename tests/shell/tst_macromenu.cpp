// SPDX-License-Identifier: GPL-3.0-or-later
// The macro window in the running program: the Setup menu's item opens and closes it, it shows
// the workspace's names and devices, and renamed macros go into the workspace the way any other
// change does.
#include "core/profilefile.h"
#include "linefixture.h"
#include "macro/macrogrid.h"
#include "macro/twmacro.h"
#include "scripteddialogs.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>

using k4::App;
using k4test::kModified;
using k4test::ProgramRun;
using Answer = k4::Dialogs::Answer;

namespace {

// A workspace of these devices whose macro names are prefix followed by their number.
QByteArray WorkspaceWithNames(const QList<QPair<int, QByteArray>>& devices,
                              const QByteArray& prefix) {
    QByteArray text = k4test::WorkspaceText("rack.DID", devices) + "[MacroNames]\r\n";
    for (int k = 1; k <= k4::kMacroCount; ++k) {
        text += "MacroName" + QByteArray::number(k) + "=" + prefix + QByteArray::number(k) + "\r\n";
    }
    return text;
}

QStringList NamesWith(const QString& prefix) {
    QStringList names;
    for (int k = 1; k <= k4::kMacroCount; ++k) {
        names << prefix + QString::number(k);
    }
    return names;
}

k4::TWMacro* MacroWindow() {
    return qobject_cast<k4::TWMacro*>(App().WMacro.data());
}

// Starts renaming row of the open macro window and types text; the editor stays open.
QLineEdit* StartRenaming(int row, const QString& text) {
    k4::TWMacro* window = MacroWindow();
    window->MView->setCurrentCell(row, 1);
    QTest::keyClick(window->MView, Qt::Key_F2);
    auto* editor = window->MView->viewport()->findChild<QLineEdit*>();
    if (editor != nullptr) {
        editor->selectAll();
        QTest::keyClicks(editor, text);
    }
    return editor;
}

void Commit(QLineEdit* editor) {
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

}  // namespace

class TestMacroMenu : public k4test::NoLineTest {
    Q_OBJECT
private Q_SLOTS:
    void menuOpensAndClosesTheWindow_data();
    void menuOpensAndClosesTheWindow();
    void renamedMacroIsSavedUnderItsNumber();
    void exitAfterRenamingAsks();
    void openWhileRenamingKeepsTheNewNames();
    void editedMacroFollowsTheOpenedWorkspace();
};

void TestMacroMenu::menuOpensAndClosesTheWindow_data() {
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("devices");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("new workspace") << false << 0 << QStringList(12, QStringLiteral("Undefined"));
    QTest::newRow("loaded workspace") << true << 3 << NamesWith(QStringLiteral("Mac "));
}

void TestMacroMenu::menuOpensAndClosesTheWindow() {
    QFETCH(bool, loaded);
    QFETCH(int, devices);
    QFETCH(QStringList, names);
    k4::MacroState() = {};
    QVERIFY(fx_.mapPortToLine());
    if (loaded) {
        const QString rack = fx_.writeWorkspace(
            QStringLiteral("rack.DID"),
            WorkspaceWithNames({{1, "Alpha"}, {2, "Beta"}, {3, "Gamma"}}, "Mac "));
        QVERIFY(k4::WriteLastFile(fx_.settingsPath(), rack));
    }
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    if (!loaded) {
        run.item("FileNewItem")->trigger();
    }
    QAction* item = run.item("MacroWindow");
    item->trigger();
    k4::TWMacro* window = MacroWindow();
    QVERIFY(window);
    QVERIFY(item->isChecked());
    QCOMPARE(window->subWindow()->mdiArea(), run.form->mdiArea());
    for (int i = 0; i < k4::kMacroCount; ++i) {
        QCOMPARE(window->MView->item(i, 1)->text(), names[i]);
    }
    QCOMPARE(window->MEdit->rowCount(), devices);
    // Listed among the frame's windows.
    run.form->refreshWindowList();
    QStringList listed;
    for (QAction* entry : run.form->Window1->actions()) {
        listed << entry->text();
    }
    QVERIFY2(listed.contains(QStringLiteral("WMacro")), qPrintable(listed.join(',')));

    window->MView->setCurrentCell(7, 1);
    if (devices > 1) {
        window->MEdit->setCurrentCell(1, 2);
    }
    item->trigger();
    QVERIFY(App().WMacro.isNull());
    QVERIFY(!item->isChecked());

    item->trigger();
    window = MacroWindow();
    QVERIFY(window);
    QCOMPARE(window->MView->currentRow(), 7);
    QCOMPARE(window->MEdit->currentRow(), devices > 1 ? 1 : -1);
    window->subWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(App().WMacro.isNull());
    QVERIFY(!item->isChecked());
    item->trigger();
    QVERIFY(MacroWindow());
    QVERIFY(item->isChecked());
    QCOMPARE(MacroWindow()->MView->currentRow(), 7);
}

void TestMacroMenu::renamedMacroIsSavedUnderItsNumber() {
    QVERIFY(fx_.mapPortToLine());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();
    run.item("MacroWindow")->trigger();
    QLineEdit* editor = StartRenaming(2, QStringLiteral("Warm start"));
    QVERIFY(editor);
    Commit(editor);

    const QString saved = fx_.dir->filePath(QStringLiteral("macros.DID"));
    fx_.dialogs->fileNames = {saved};
    run.item("FileSaveItem")->trigger();
    QCOMPARE(k4::ProfileFile::GetString(saved, "MacroNames", "MacroName3", "", 100),
             QByteArray("Warm start"));
    QCOMPARE(k4::ProfileFile::GetString(saved, "MacroNames", "MacroName2", "", 100),
             QByteArray("Undefined"));
}

void TestMacroMenu::exitAfterRenamingAsks() {
    const QString rack = fx_.startsWithRack({{1, "Alpha"}});
    QVERIFY(!rack.isEmpty());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QVERIFY(!App().WorkspaceModified);
    run.item("MacroWindow")->trigger();
    Commit(StartRenaming(0, QStringLiteral("Reset all")));

    fx_.dialogs->answers = {Answer::Cancel};
    run.item("FileExitItem")->trigger();
    QCOMPARE(fx_.dialogs->shown, QStringList{kModified});
    QVERIFY(run.form->isVisible());
    QCOMPARE(App().MacroNames[0], QStringLiteral("Reset all"));
}

void TestMacroMenu::openWhileRenamingKeepsTheNewNames() {
    const QString rack = fx_.startsWithRack({{1, "Alpha"}, {2, "Beta"}});
    QVERIFY(!rack.isEmpty());
    const QString other = fx_.writeWorkspace(QStringLiteral("other.DID"),
                                             WorkspaceWithNames({{2, "Beta"}}, "Other "));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    run.item("MacroWindow")->trigger();
    k4::TWMacro* window = MacroWindow();
    QVERIFY(StartRenaming(1, QStringLiteral("Typed")));

    // The rename is a change: Open asks first (and is told not to save).
    fx_.dialogs->answers = {Answer::No};
    fx_.dialogs->fileNames = {other};
    run.item("FileOpenItem")->trigger();
    QCOMPARE(fx_.dialogs->shown, QStringList{kModified});
    QCOMPARE(App().WorkspacePath, other);

    // The window lives on with the new names; the edit ended without landing in them.
    QCOMPARE(MacroWindow(), window);
    auto* editor = window->MView->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor == nullptr || !editor->isVisible());
    QCOMPARE(App().MacroNames, NamesWith(QStringLiteral("Other ")));
    QCOMPARE(window->MView->item(1, 1)->text(), QStringLiteral("Other 2"));
    QVERIFY(!App().WorkspaceModified);
}

// The window shows macro 1 over devices 1 and 2; the workspace opened next holds devices 2 and 5,
// its macro 1 marking 5. Marks typed from then on belong to the devices it lists.
void TestMacroMenu::editedMacroFollowsTheOpenedWorkspace() {
    QVERIFY(!fx_.startsWithRack({{1, "Alpha"}, {2, "Beta"}}).isEmpty());
    const QString other =
        fx_.writeWorkspace(QStringLiteral("other.DID"),
                           k4test::WorkspaceText("other.DID", {{2, "Beta"}, {5, "Echo"}}) +
                               "[MacroNames]\r\nMacroKeys1=T 3\r\nMacroDevices1=5:y\r\n");
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    run.item("MacroWindow")->trigger();
    k4::TWMacro* window = MacroWindow();
    window->MView->setCurrentCell(0, 1);
    k4::MacroState().nameMouseColumn = 1;
    window->MViewDblClick();
    QCOMPARE(window->MEdit->item(1, 0)->text(), QStringLiteral("2"));

    fx_.dialogs->fileNames = {other};
    run.item("FileOpenItem")->trigger();
    QCOMPARE(MacroWindow(), window);
    QCOMPARE(window->MEdit->rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(window->MEdit->item(row, 0)->text(), row == 0 ? "2" : "5");
        QCOMPARE(window->MEdit->item(row, 1)->text(), row == 0 ? "Beta" : "Echo");
        QCOMPARE(window->MEdit->item(row, 2)->text(), row == 0 ? "" : "y");
    }
    // Saving what the workspace holds is no change to it.
    window->MSave->click();
    QVERIFY(!App().WorkspaceModified);
    window->MEdit->item(0, 2)->setText(QStringLiteral("x"));
    window->MSave->click();
    QVERIFY(App().Macros[0].Devices == (k4::MacroMarks{{2, "x"}, {5, "y"}}));
    QVERIFY(App().WorkspaceModified);
}

QTEST_MAIN(TestMacroMenu)
#include "tst_macromenu.moc"
