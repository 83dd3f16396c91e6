// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's workspace commands, New, Open, Save and Save As, with the questions they ask
// and the files they write, against kvtsim.
#include "linefixture.h"
#include "manager/kvtmanager.h"
#include "scripteddialogs.h"

#include <QMdiArea>
#include <QTreeWidgetItem>

using k4::App;
using k4test::kModified;
using k4test::ProgramRun;
using Answer = k4::Dialogs::Answer;

class TestWorkspaceCommands : public k4test::NoLineTest {
    Q_OBJECT
private Q_SLOTS:
    void saveAsOfNewWorkspace();
    void failedSaveKeepsChangesMarked();
    void failedSaveAsKeepsFileAndFolder();
    void extensionAddedBeforeTheOverwriteQuestion();
    void failedSaveAfterYesKeepsTheWorkspace_data();
    void failedSaveAfterYesKeepsTheWorkspace();
    void yesThenSaveDialogGoesOn_data();
    void yesThenSaveDialogGoesOn();
    void saveRunsSaveAsWithoutItsFile_data();
    void saveRunsSaveAsWithoutItsFile();
    void saveWritesExistingFileWithoutAsking();
    void newAsksBeforeClosingAndForgetsTheFile_data();
    void newAsksBeforeClosingAndForgetsTheFile();
    void openAsksAboutChanges_data();
    void openAsksAboutChanges();
    void openOfTheOpenWorkspaceRereadsItAndNewKeepsMacroNames();
};

void TestWorkspaceCommands::saveAsOfNewWorkspace() {
    QVERIFY(fx_.mapPortToLine());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();

    // Typed without the extension: the dialog's default extension is added.
    fx_.dialogs->fileNames = {fx_.dir->filePath(QStringLiteral("New workspace"))};
    run.item("FileSaveItem")->trigger();
    QCOMPARE(fx_.dialogs->saveRequests.size(), std::size_t(1));
    const k4::FileRequest& asked = fx_.dialogs->saveRequests.front();
    QCOMPARE(asked.fileName, QStringLiteral("New workspace"));
    QCOMPARE(asked.title, QStringLiteral("Save workspace"));
    QCOMPARE(asked.folder, App().AppDir);
    QCOMPARE(asked.defaultSuffix, QStringLiteral("DID"));
    QCOMPARE(asked.filter, QStringLiteral("KVTKey workspace (*.DID)"));
    QVERIFY(asked.confirmOverwrite);

    const QString saved = fx_.dir->filePath(QStringLiteral("New workspace.DID"));
    QVERIFY(QFile::exists(saved));
    QCOMPARE(App().RootNode->text(0), QStringLiteral("New workspace.DID"));
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr - New workspace.DID"));
    QCOMPARE(App().WorkspacePath, saved);
    QVERIFY(!App().WorkspaceModified);
    QCOMPARE(k4::ProfileFile::GetString(saved, "Global", "Name", "", 50),
             QByteArray("New workspace.DID"));

    // Exit now asks nothing and remembers the file.
    run.item("FileExitItem")->trigger();
    QVERIFY(!run.form->isVisible());
    QCOMPARE(fx_.dialogs->shown, QStringList());
    QCOMPARE(k4::ReadProgramSettings(fx_.settingsPath()).lastFile, saved);
}

void TestWorkspaceCommands::failedSaveKeepsChangesMarked() {
    QVERIFY(fx_.mapPortToLine());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();
    const QString unwritable = fx_.dir->filePath(QStringLiteral("no such folder/rack.DID"));
    fx_.dialogs->fileNames = {unwritable};
    run.item("FileSaveItem")->trigger();
    QVERIFY(!QFile::exists(unwritable));
    // The operator has been told, naming the file; the workspace stays as it was, unsaved.
    QCOMPARE(fx_.dialogs->shown.size(), 1);
    QVERIFY2(fx_.dialogs->shown.front().contains(QStringLiteral("rack.DID")),
             qPrintable(fx_.dialogs->shown.front()));
    QVERIFY(App().WorkspaceModified);
    QCOMPARE(App().RootNode->text(0), QStringLiteral("New workspace"));
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr - New workspace"));

    fx_.dialogs->answers = {Answer::No};
    run.item("FileExitItem")->trigger();
    QVERIFY(fx_.dialogs->shown.contains(kModified));
}

void TestWorkspaceCommands::failedSaveAsKeepsFileAndFolder() {
    const QString rack = fx_.startsWithRack({{1, "Alpha"}});
    QVERIFY(!rack.isEmpty());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    fx_.dialogs->fileNames = {fx_.dir->filePath(QStringLiteral("no such folder/rack.DID"))};
    run.item("FileSaveItem")->trigger();
    QCOMPARE(fx_.dialogs->shown.size(), 1);  // the failure, reported
    QCOMPARE(App().WorkspacePath, rack);

    // Save writes to the workspace's own file; the next Save As starts where the last one did.
    App().MacroNames[0] = QStringLiteral("Kept");
    run.item("FileCloseItem")->trigger();
    QCOMPARE(fx_.dialogs->saveRequests.size(), std::size_t(1));
    QCOMPARE(k4::ProfileFile::GetString(rack, "MacroNames", "MacroName1", "", 100),
             QByteArray("Kept"));
    run.item("FileSaveItem")->trigger();
    QCOMPARE(fx_.dialogs->saveRequests.back().folder, App().AppDir);
}

// A name typed without the extension names another file once ".DID" is added: that file is not
// replaced without asking.
void TestWorkspaceCommands::extensionAddedBeforeTheOverwriteQuestion() {
    const QString rack = fx_.startsWithRack({{1, "Alpha"}});
    QVERIFY(!rack.isEmpty());
    const QByteArray rackBytes = k4test::ReadBytes(rack);
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    App().MacroNames[0] = QStringLiteral("Changed");
    App().WorkspaceModified = true;

    const QString typed = fx_.dir->filePath(QStringLiteral("rack"));
    fx_.dialogs->fileNames = {typed, typed};
    fx_.dialogs->answers = {Answer::No, Answer::Yes};
    run.item("FileSaveItem")->trigger();
    QCOMPARE(fx_.dialogs->shown,
             QStringList{QStringLiteral("rack.DID already exists.\nDo you want to replace it?")});
    QCOMPARE(k4test::ReadBytes(rack), rackBytes);
    QVERIFY(App().WorkspaceModified);

    run.item("FileSaveItem")->trigger();
    QCOMPARE(fx_.dialogs->shown.size(), 2);
    QVERIFY(!App().WorkspaceModified);
    QCOMPARE(k4::ProfileFile::GetString(rack, "MacroNames", "MacroName1", "", 100),
             QByteArray("Changed"));
    QVERIFY(!QFile::exists(typed));
}

void TestWorkspaceCommands::failedSaveAfterYesKeepsTheWorkspace_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("Exit") << QStringLiteral("FileExitItem");
    QTest::newRow("Open") << QStringLiteral("FileOpenItem");
}

// Yes to "save the changes?" whose write then fails: going on would lose the changes the operator
// just asked to keep, so the command stops with the workspace as it was.
void TestWorkspaceCommands::failedSaveAfterYesKeepsTheWorkspace() {
    QFETCH(QString, command);
    QVERIFY(fx_.mapPortToLine());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();
    k4::TMDIKVTMAN* manager = App().Manager;

    fx_.dialogs->answers = {Answer::Yes};
    fx_.dialogs->fileNames = {fx_.dir->filePath(QStringLiteral("no such folder/rack.DID"))};
    run.item(command.toLatin1().constData())->trigger();
    QCOMPARE(fx_.dialogs->shown.size(), 2);
    QCOMPARE(fx_.dialogs->shown.front(), kModified);
    QVERIFY2(fx_.dialogs->shown.back().contains(QStringLiteral("rack.DID")),
             qPrintable(fx_.dialogs->shown.back()));
    QVERIFY(run.form->isVisible());
    QCOMPARE(App().Manager, manager);
    QVERIFY(App().WorkspaceModified);
    QVERIFY(fx_.dialogs->openRequests.empty());
    QVERIFY(!QFile::exists(fx_.settingsPath()) ||
            k4::ReadProgramSettings(fx_.settingsPath()).lastFile.isEmpty());
}

void TestWorkspaceCommands::yesThenSaveDialogGoesOn_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("save");  // else the save dialog is cancelled
    QTest::newRow("Exit, saved") << QStringLiteral("FileExitItem") << true;
    QTest::newRow("Exit, save dialog cancelled") << QStringLiteral("FileExitItem") << false;
    QTest::newRow("Open, save dialog cancelled") << QStringLiteral("FileOpenItem") << false;
}

// Yes to "save the changes?": Save As runs, and whether its dialog saves or is cancelled, the
// command goes on (Exit ends the program, Open shows its dialog).
void TestWorkspaceCommands::yesThenSaveDialogGoesOn() {
    QFETCH(QString, command);
    QFETCH(bool, save);
    QVERIFY(fx_.mapPortToLine());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();

    const QString mine = fx_.dir->filePath(QStringLiteral("mine.DID"));
    fx_.dialogs->answers = {Answer::Yes};
    fx_.dialogs->fileNames = {save ? mine : QString()};
    run.item(command.toLatin1().constData())->trigger();
    QCOMPARE(fx_.dialogs->shown, QStringList{kModified});
    QCOMPARE(fx_.dialogs->saveRequests.size(), std::size_t(1));
    QCOMPARE(QFile::exists(mine), save);
    QCOMPARE(App().WorkspaceModified, !save);
    if (command == QStringLiteral("FileOpenItem")) {
        QCOMPARE(fx_.dialogs->openRequests.size(), std::size_t(1));
        QVERIFY(run.form->isVisible());
        return;
    }
    QVERIFY(!run.form->isVisible());
    QCOMPARE(k4::ReadProgramSettings(fx_.settingsPath()).lastFile, save ? mine : QString());
}

void TestWorkspaceCommands::saveRunsSaveAsWithoutItsFile_data() {
    QTest::addColumn<bool>("rename");  // else the file is deleted behind the program's back
    QTest::addColumn<QString>("proposed");
    // The renamed node carries the workspace extension.
    QTest::newRow("after a workspace rename") << true << QStringLiteral("Rack B.DID");
    QTest::newRow("after the file was deleted") << false << QStringLiteral("rack.DID");
}

void TestWorkspaceCommands::saveRunsSaveAsWithoutItsFile() {
    QFETCH(bool, rename);
    QFETCH(QString, proposed);
    const QString rack = fx_.startsWithRack({{1, "Alpha"}});
    QVERIFY(!rack.isEmpty());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QCOMPARE(App().WorkspacePath, rack);

    if (rename) {
        QString text = QStringLiteral("Rack B");
        App().Manager->TreeView1Edited(App().RootNode, text);
        QVERIFY(App().WorkspacePath.isEmpty());
    } else {
        QVERIFY(QFile::remove(rack));
    }
    const QString target = fx_.dir->filePath(QStringLiteral("second.DID"));
    fx_.dialogs->fileNames = {target};
    run.item("FileCloseItem")->trigger();
    QCOMPARE(fx_.dialogs->saveRequests.size(), std::size_t(1));
    QCOMPARE(fx_.dialogs->saveRequests.front().fileName, proposed);
    QVERIFY(QFile::exists(target));
    QCOMPARE(App().WorkspacePath, target);
    QCOMPARE(App().RootNode->text(0), QStringLiteral("second.DID"));
    QVERIFY(!App().WorkspaceModified);
    // The workspace that was loaded is not written again under its old name.
    QCOMPARE(QFile::exists(rack), rename);
}

void TestWorkspaceCommands::saveWritesExistingFileWithoutAsking() {
    const QString rack = fx_.startsWithRack({{1, "Alpha"}});
    QVERIFY(!rack.isEmpty());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QVERIFY(!App().WorkspaceModified);
    App().MacroNames[3] = QStringLiteral("Warm start");
    App().WorkspaceModified = true;

    run.item("FileCloseItem")->trigger();
    QVERIFY(fx_.dialogs->saveRequests.empty());
    QVERIFY(!App().WorkspaceModified);
    QCOMPARE(k4::ProfileFile::GetString(rack, "MacroNames", "MacroName4", "", 100),
             QByteArray("Warm start"));
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr - rack.DID"));
}

void TestWorkspaceCommands::newAsksBeforeClosingAndForgetsTheFile_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps the workspace") << false;
    QTest::newRow("Yes replaces it") << true;
}

void TestWorkspaceCommands::newAsksBeforeClosingAndForgetsTheFile() {
    QFETCH(bool, yes);
    const QString rack = fx_.startsWithRack({{1, "Alpha"}});
    QVERIFY(!rack.isEmpty());
    const QByteArray rackBytes = k4test::ReadBytes(rack);
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    k4::TMDIKVTMAN* before = App().Manager;
    QVERIFY(before != nullptr);

    fx_.dialogs->answers = {yes ? Answer::Yes : Answer::No};
    run.item("FileNewItem")->trigger();
    QCOMPARE(fx_.dialogs->shown, QStringList{QStringLiteral("Close current workspace?")});
    QCOMPARE(fx_.dialogs->questionHadCancel, std::deque<bool>{false});
    if (!yes) {
        QCOMPARE(App().Manager, before);
        QCOMPARE(App().RootNode->text(0), QStringLiteral("rack.DID"));
        QVERIFY(!App().WorkspaceModified);
        return;
    }
    QVERIFY(App().Manager != before);
    QCOMPARE(App().Manager->table().lastIndex(), -1);
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr - New workspace"));
    QCOMPARE(App().LastWorkspacePath, rack);
    // Save of the new workspace asks for a file instead of writing over rack.DID.
    run.item("FileCloseItem")->trigger();
    QCOMPARE(fx_.dialogs->saveRequests.size(), std::size_t(1));
    QCOMPARE(fx_.dialogs->saveRequests.front().fileName, QStringLiteral("New workspace"));
    QCOMPARE(k4test::ReadBytes(rack), rackBytes);

    // Exit without saving: the next start reopens rack.DID.
    fx_.dialogs->answers = {Answer::No};
    run.item("FileExitItem")->trigger();
    QCOMPARE(k4::ReadProgramSettings(fx_.settingsPath()).lastFile, rack);
}

void TestWorkspaceCommands::openAsksAboutChanges_data() {
    QTest::addColumn<bool>("saveFirst");
    QTest::newRow("No: straight to the open dialog") << false;
    QTest::newRow("Yes: Save As, then the open dialog") << true;
}

void TestWorkspaceCommands::openAsksAboutChanges() {
    QFETCH(bool, saveFirst);
    QVERIFY(fx_.mapPortToLine());
    const QString rack = fx_.writeWorkspace(
        QStringLiteral("rack.DID"), k4test::WorkspaceText("rack.DID", {{1, "Alpha"}, {2, "Beta"}}));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();

    const QString saved = fx_.dir->filePath(QStringLiteral("mine.DID"));
    fx_.dialogs->answers = {saveFirst ? Answer::Yes : Answer::No};
    fx_.dialogs->fileNames =
        saveFirst ? std::deque<QString>{saved, rack} : std::deque<QString>{rack};
    run.item("FileOpenItem")->trigger();
    QCOMPARE(fx_.dialogs->shown, QStringList{kModified});
    QCOMPARE(fx_.dialogs->questionHadCancel, std::deque<bool>{false});
    QCOMPARE(fx_.dialogs->saveRequests.size(), std::size_t(saveFirst ? 1 : 0));
    QCOMPARE(QFile::exists(saved), saveFirst);
    QCOMPARE(fx_.dialogs->openRequests.size(), std::size_t(1));
    QCOMPARE(fx_.dialogs->openRequests.front().folder, App().AppDir);
    QCOMPARE(fx_.dialogs->openRequests.front().filter, QStringLiteral("KVTKey workspace (*.DID)"));

    QCOMPARE(App().Manager->table().lastIndex(), 1);
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr - rack.DID"));
    QCOMPARE(App().WorkspacePath, rack);
    // A workspace just loaded holds no unsaved change.
    QVERIFY(!App().WorkspaceModified);
    QCOMPARE(run.form->mdiArea()->subWindowList().size(), 3);  // manager and two panels

    // A cancelled open dialog changes nothing; the next one proposes the file opened last.
    k4::TMDIKVTMAN* manager = App().Manager;
    run.item("FileOpenItem")->trigger();
    QCOMPARE(App().Manager, manager);
    QCOMPARE(fx_.dialogs->openRequests.back().fileName, rack);
}

void TestWorkspaceCommands::openOfTheOpenWorkspaceRereadsItAndNewKeepsMacroNames() {
    const QString rack = fx_.startsWithRack({{1, "Alpha"}});
    QVERIFY(!rack.isEmpty());
    QVERIFY(k4::ProfileFile::WriteString(rack, "MacroNames", "MacroName1", "Warm up"));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QCOMPARE(App().MacroNames.value(0), QStringLiteral("Warm up"));
    QCOMPARE(App().Manager->table().lastIndex(), 0);

    // The file changed since it was loaded: opening it again reads it again.
    QVERIFY(
        k4test::WriteBytes(rack, k4test::WorkspaceText("rack.DID", {{1, "Alpha"}, {2, "Beta"}}) +
                                     "[MacroNames]\r\nMacroName1=Cool down\r\n"));
    fx_.dialogs->fileNames = {rack};
    run.item("FileOpenItem")->trigger();
    QCOMPARE(App().WorkspacePath, rack);
    QCOMPARE(App().Manager->table().lastIndex(), 1);
    QCOMPARE(App().MacroNames.value(0), QStringLiteral("Cool down"));
    QVERIFY(!App().WorkspaceModified);

    // New closes it and keeps the macro names it brought.
    fx_.dialogs->answers = {Answer::Yes};
    run.item("FileNewItem")->trigger();
    QCOMPARE(App().RootNode->text(0), QStringLiteral("New workspace"));
    QCOMPARE(App().MacroNames.value(0), QStringLiteral("Cool down"));
    QCOMPARE(App().MacroNames.value(1), QStringLiteral("Undefined"));
}

QTEST_MAIN(TestWorkspaceCommands)
#include "tst_workspacecommands.moc"
