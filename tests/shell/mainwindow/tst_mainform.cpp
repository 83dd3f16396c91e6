// The main window's commands from start to exit, in a program folder of their own, with the
// workspaces' link talking to kvtsim.
#include "devicetree.h"
#include "kvtmanager.h"
#include "mdichild.h"
#include "programfixture.h"
#include "scripteddialogs.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTreeWidget>

using k4::App;
using k4test::ProgramRun;
using Answer = k4::Dialogs::Answer;

namespace {

const QString kModified = QStringLiteral("Workspace is modifed. Save current workspace?");
const QString kNothing = QStringLiteral("Nothing for save!");

}  // namespace

class TestMainForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void firstStartWithoutSettings();
    void exitRightAfterNewAsks();
    void cancelKeepsRunningAndLastFile();
    void saveAsOfNewWorkspace();
    void failedSaveKeepsChangesMarked();
    void saveRunsSaveAsWithoutItsFile_data();
    void saveRunsSaveAsWithoutItsFile();
    void saveWritesExistingFileWithoutAsking();
    void newAsksBeforeClosingAndForgetsTheFile_data();
    void newAsksBeforeClosingAndForgetsTheFile();
    void openAsksAboutChanges_data();
    void openAsksAboutChanges();
    void readOnlyTwiceLeavesMarkButModified();
    void newWorkspaceObeysReadOnlyMark();
    void movingWindowsIsNoChangeButIsSaved();
    void restartReloadsLastWorkspaceAndPolls();
    void startupWithLastFileGone();

private:
    QString folder() const { return dir_->path(); }
    QString settingsPath() const { return dir_->filePath(QStringLiteral("KVT.INI")); }
    void mapPortToLine() {
        QVERIFY(k4::ProfileFile::WriteString(settingsPath(), "KVT_PORTS", "COM1",
                                             line_.linkPath().toLocal8Bit()));
    }
    QString writeWorkspace(const QString& fileName, const QByteArray& text) {
        const QString path = dir_->filePath(fileName);
        if (!k4test::WriteBytes(path, text)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

    k4test::KvtsimProcess line_;
    std::unique_ptr<k4::LinkPump> pump_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<k4test::ScriptedDialogs> dialogs_;
};

void TestMainForm::initTestCase() {
    const QString exe = k4test::KvtsimProcess::executable();
    QVERIFY2(!exe.isEmpty(), "K4_KVTSIM names no kvtsim");
    const QString error =
        line_.start(exe, {"--ids", "1,2", "--name", "1=Alpha", "--name", "2=Beta"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    pump_ = k4::WireLink();
}

void TestMainForm::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    dialogs_ = std::make_unique<k4test::ScriptedDialogs>();
    k4test::ResetProgramState();
}

void TestMainForm::cleanup() {
    App().Link.StopLink();
    dialogs_.reset();
    dir_.reset();
}

void TestMainForm::cleanupTestCase() {
    App().Link.StopLink();
    pump_.reset();
    line_.stop();
}

void TestMainForm::firstStartWithoutSettings() {
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr"));
    QCOMPARE(App().AppDir, k4::ProgramFolder(folder()));
    QCOMPARE(App().SettingsPath, App().AppDir + QStringLiteral("KVT.INI"));
    QCOMPARE(int(App().RS232Port), 1);
    QVERIFY(!App().workspaceOpen());
    QVERIFY(!run.item("ROset")->isEnabled());
    QVERIFY(!run.item("MacroWindow")->isEnabled());

    run.item("FileCloseItem")->trigger();
    run.item("FileSaveItem")->trigger();
    QCOMPARE(dialogs_->shown, QStringList({kNothing, kNothing}));
    QVERIFY(dialogs_->saveRequests.empty());

    QVERIFY(!QFile::exists(settingsPath()));
    run.item("FileExitItem")->trigger();
    QVERIFY(!run.form->isVisible());
    QCOMPARE(dialogs_->shown.size(), 2);  // no question
    QCOMPARE(k4test::ReadBytes(settingsPath()), QByteArray("[KVT_WORKSPACE]\r\nLastFile=\r\n"));
}

void TestMainForm::exitRightAfterNewAsks() {
    mapPortToLine();
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();
    QVERIFY(dialogs_->shown.isEmpty());  // nothing was open: nothing to ask
    QVERIFY(App().workspaceOpen());
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr - New workspace"));
    QCOMPARE(App().RootNode->text(0), QStringLiteral("New workspace"));
    QVERIFY(App().WorkspaceModified);
    QVERIFY(run.item("ROset")->isEnabled());
    QVERIFY(run.item("MacroWindow")->isEnabled());
    QVERIFY(App().linkRunning());

    dialogs_->answers = {Answer::No};
    run.item("FileExitItem")->trigger();
    QCOMPARE(dialogs_->shown, QStringList{kModified});
    QCOMPARE(dialogs_->questionHadCancel, std::deque<bool>{true});
    QVERIFY(!run.form->isVisible());
    QVERIFY(!App().linkRunning());
    QCOMPARE(k4::ReadShellSettings(settingsPath()).lastFile, QString());
}

void TestMainForm::cancelKeepsRunningAndLastFile() {
    mapPortToLine();
    QVERIFY(k4::WriteLastFile(settingsPath(), dir_->filePath(QStringLiteral("gone.DID"))));
    const QByteArray before = k4test::ReadBytes(settingsPath());
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    QVERIFY(!App().workspaceOpen());  // the last file does not exist
    run.item("FileNewItem")->trigger();

    dialogs_->answers = {Answer::Cancel};
    QVERIFY(!run.form->close());
    QVERIFY(run.form->isVisible());
    QVERIFY(App().linkRunning());
    QVERIFY(App().WorkspaceModified);
    QCOMPARE(k4test::ReadBytes(settingsPath()), before);

    // The same through the menu item.
    dialogs_->answers = {Answer::Cancel};
    run.item("FileExitItem")->trigger();
    QVERIFY(run.form->isVisible());
    QCOMPARE(dialogs_->shown, QStringList({kModified, kModified}));
    QCOMPARE(k4test::ReadBytes(settingsPath()), before);
}

void TestMainForm::saveAsOfNewWorkspace() {
    mapPortToLine();
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();

    // Typed without the extension: the dialog's default extension is added.
    dialogs_->fileNames = {dir_->filePath(QStringLiteral("New workspace"))};
    run.item("FileSaveItem")->trigger();
    QCOMPARE(dialogs_->saveRequests.size(), std::size_t(1));
    const k4::FileRequest& asked = dialogs_->saveRequests.front();
    QCOMPARE(asked.fileName, QStringLiteral("New workspace"));
    QCOMPARE(asked.title, QStringLiteral("Save workspace"));
    QCOMPARE(asked.folder, App().AppDir);
    QCOMPARE(asked.defaultSuffix, QStringLiteral("DID"));
    QCOMPARE(asked.filter, QStringLiteral("KVTKey workspace (*.DID)"));
    QVERIFY(asked.confirmOverwrite);

    const QString saved = dir_->filePath(QStringLiteral("New workspace.DID"));
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
    QCOMPARE(dialogs_->shown, QStringList());
    QCOMPARE(k4::ReadShellSettings(settingsPath()).lastFile, saved);
}

void TestMainForm::failedSaveKeepsChangesMarked() {
    mapPortToLine();
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();
    const QString unwritable = dir_->filePath(QStringLiteral("no such folder/rack.DID"));
    dialogs_->fileNames = {unwritable};
    run.item("FileSaveItem")->trigger();
    QVERIFY(!QFile::exists(unwritable));
    // The operator has been told, naming the file; the workspace stays as it was, unsaved.
    QCOMPARE(dialogs_->shown.size(), 1);
    QVERIFY2(dialogs_->shown.front().contains(QStringLiteral("rack.DID")),
             qPrintable(dialogs_->shown.front()));
    QVERIFY(App().WorkspaceModified);
    QCOMPARE(App().RootNode->text(0), QStringLiteral("New workspace"));
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr - New workspace"));

    dialogs_->answers = {Answer::No};
    run.item("FileExitItem")->trigger();
    QVERIFY(dialogs_->shown.contains(kModified));
}

void TestMainForm::saveRunsSaveAsWithoutItsFile_data() {
    QTest::addColumn<bool>("rename");  // else the file is deleted behind the program's back
    QTest::addColumn<QString>("proposed");
    // The renamed node carries the workspace extension.
    QTest::newRow("after a workspace rename") << true << QStringLiteral("Rack B.DID");
    QTest::newRow("after the file was deleted") << false << QStringLiteral("rack.DID");
}

void TestMainForm::saveRunsSaveAsWithoutItsFile() {
    QFETCH(bool, rename);
    QFETCH(QString, proposed);
    mapPortToLine();
    const QString rack = writeWorkspace(QStringLiteral("rack.DID"),
                                        k4test::WorkspaceText("rack.DID", {{1, "Alpha"}}));
    QVERIFY(k4::WriteLastFile(settingsPath(), rack));
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    QCOMPARE(App().WorkspacePath, rack);

    if (rename) {
        QString text = QStringLiteral("Rack B");
        App().Manager->TreeView1Edited(App().RootNode, text);
        QVERIFY(App().WorkspacePath.isEmpty());
    } else {
        QVERIFY(QFile::remove(rack));
    }
    const QString target = dir_->filePath(QStringLiteral("second.DID"));
    dialogs_->fileNames = {target};
    run.item("FileCloseItem")->trigger();
    QCOMPARE(dialogs_->saveRequests.size(), std::size_t(1));
    QCOMPARE(dialogs_->saveRequests.front().fileName, proposed);
    QVERIFY(QFile::exists(target));
    QCOMPARE(App().WorkspacePath, target);
    QCOMPARE(App().RootNode->text(0), QStringLiteral("second.DID"));
    QVERIFY(!App().WorkspaceModified);
    // The workspace that was loaded is not written again under its old name.
    QCOMPARE(QFile::exists(rack), rename);
}

void TestMainForm::saveWritesExistingFileWithoutAsking() {
    mapPortToLine();
    const QString rack = writeWorkspace(QStringLiteral("rack.DID"),
                                        k4test::WorkspaceText("rack.DID", {{1, "Alpha"}}));
    QVERIFY(k4::WriteLastFile(settingsPath(), rack));
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    QVERIFY(!App().WorkspaceModified);
    App().MacroNames[3] = QStringLiteral("Warm start");
    App().WorkspaceModified = true;

    run.item("FileCloseItem")->trigger();
    QVERIFY(dialogs_->saveRequests.empty());
    QVERIFY(!App().WorkspaceModified);
    QCOMPARE(k4::ProfileFile::GetString(rack, "MacroNames", "MacroName4", "", 100),
             QByteArray("Warm start"));
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr - rack.DID"));
}

void TestMainForm::newAsksBeforeClosingAndForgetsTheFile_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps the workspace") << false;
    QTest::newRow("Yes replaces it") << true;
}

void TestMainForm::newAsksBeforeClosingAndForgetsTheFile() {
    QFETCH(bool, yes);
    mapPortToLine();
    const QString rack = writeWorkspace(QStringLiteral("rack.DID"),
                                        k4test::WorkspaceText("rack.DID", {{1, "Alpha"}}));
    const QByteArray rackBytes = k4test::ReadBytes(rack);
    QVERIFY(k4::WriteLastFile(settingsPath(), rack));
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    k4::TMDIKVTMAN* before = App().Manager;
    QVERIFY(before != nullptr);

    dialogs_->answers = {yes ? Answer::Yes : Answer::No};
    run.item("FileNewItem")->trigger();
    QCOMPARE(dialogs_->shown, QStringList{QStringLiteral("Close current workspace?")});
    QCOMPARE(dialogs_->questionHadCancel, std::deque<bool>{false});
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
    QCOMPARE(dialogs_->saveRequests.size(), std::size_t(1));
    QCOMPARE(dialogs_->saveRequests.front().fileName, QStringLiteral("New workspace"));
    QCOMPARE(k4test::ReadBytes(rack), rackBytes);

    // Exit without saving: the next start reopens rack.DID.
    dialogs_->answers = {Answer::No};
    run.item("FileExitItem")->trigger();
    QCOMPARE(k4::ReadShellSettings(settingsPath()).lastFile, rack);
}

void TestMainForm::openAsksAboutChanges_data() {
    QTest::addColumn<bool>("saveFirst");
    QTest::newRow("No: straight to the open dialog") << false;
    QTest::newRow("Yes: Save As, then the open dialog") << true;
}

void TestMainForm::openAsksAboutChanges() {
    QFETCH(bool, saveFirst);
    mapPortToLine();
    const QString rack = writeWorkspace(
        QStringLiteral("rack.DID"), k4test::WorkspaceText("rack.DID", {{1, "Alpha"}, {2, "Beta"}}));
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();

    const QString saved = dir_->filePath(QStringLiteral("mine.DID"));
    dialogs_->answers = {saveFirst ? Answer::Yes : Answer::No};
    dialogs_->fileNames = saveFirst ? std::deque<QString>{saved, rack} : std::deque<QString>{rack};
    run.item("FileOpenItem")->trigger();
    QCOMPARE(dialogs_->shown, QStringList{kModified});
    QCOMPARE(dialogs_->questionHadCancel, std::deque<bool>{false});
    QCOMPARE(dialogs_->saveRequests.size(), std::size_t(saveFirst ? 1 : 0));
    QCOMPARE(QFile::exists(saved), saveFirst);
    QCOMPARE(dialogs_->openRequests.size(), std::size_t(1));
    QCOMPARE(dialogs_->openRequests.front().folder, App().AppDir);
    QCOMPARE(dialogs_->openRequests.front().filter, QStringLiteral("KVTKey workspace (*.DID)"));

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
    QCOMPARE(dialogs_->openRequests.back().fileName, rack);
}

void TestMainForm::readOnlyTwiceLeavesMarkButModified() {
    mapPortToLine();
    const QString rack = writeWorkspace(QStringLiteral("rack.DID"),
                                        k4test::WorkspaceText("rack.DID", {{1, "Alpha"}}));
    QVERIFY(k4::WriteLastFile(settingsPath(), rack));
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    QAction* mark = run.item("ROset");
    QVERIFY(mark->isCheckable());
    QVERIFY(!mark->isChecked());
    QVERIFY(!App().WorkspaceModified);

    mark->trigger();
    QVERIFY(mark->isChecked());
    QVERIFY(App().ReadOnly);
    QVERIFY(App().WorkspaceModified);
    run.item("FileCloseItem")->trigger();
    QCOMPARE(k4::ProfileFile::GetInt(rack, "Global", "ReadOnly", -1), 1);
    QVERIFY(!App().WorkspaceModified);

    mark->trigger();
    QVERIFY(!mark->isChecked());
    QVERIFY(!App().ReadOnly);
    QVERIFY(App().WorkspaceModified);
}

void TestMainForm::newWorkspaceObeysReadOnlyMark() {
    mapPortToLine();
    const QString rack = writeWorkspace(QStringLiteral("rack.DID"),
                                        k4test::WorkspaceText("rack.DID", {{1, "Alpha"}}, 1));
    QVERIFY(k4::WriteLastFile(settingsPath(), rack));
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    // The loaded mark shows on the menu item.
    QVERIFY(App().ReadOnly);
    QVERIFY(run.item("ROset")->isChecked());

    dialogs_->answers = {Answer::Yes};
    run.item("FileNewItem")->trigger();
    QVERIFY(App().ReadOnly);
    QVERIFY(run.item("ROset")->isChecked());
    App().Manager->updatePopupItems();
    QVERIFY(!App().Manager->AddNewKVT1->isEnabled());
    const auto* tree = dynamic_cast<k4::DeviceTreeWidget*>(App().Manager->TreeView1);
    QVERIFY(tree != nullptr);
    QVERIFY(tree->isReadOnly());
}

void TestMainForm::movingWindowsIsNoChangeButIsSaved() {
    mapPortToLine();
    const QString rack = writeWorkspace(
        QStringLiteral("rack.DID"), k4test::WorkspaceText("rack.DID", {{1, "Alpha"}, {2, "Beta"}}));
    QVERIFY(k4::WriteLastFile(settingsPath(), rack));
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    QVERIFY(!App().WorkspaceModified);

    App().Manager->subWindow()->move(40, 30);
    App().Manager->subWindow()->resize(200, 300);
    App().Manager->panelOf(1)->subWindow()->move(260, 110);
    run.form->setWindowState(Qt::WindowMaximized);
    QCoreApplication::processEvents();
    QVERIFY(!App().WorkspaceModified);

    // Nothing to save as far as the program knows, yet Save writes the new places.
    run.item("FileCloseItem")->trigger();
    QVERIFY(dialogs_->saveRequests.empty());
    QCOMPARE(k4::ProfileFile::GetInt(rack, "Global", "ManLeft", -1), 40);
    QCOMPARE(k4::ProfileFile::GetInt(rack, "Global", "ManTop", -1), 30);
    QCOMPARE(k4::ProfileFile::GetInt(rack, "Global", "ManWidth", -1), 200);
    QCOMPARE(k4::ProfileFile::GetInt(rack, "Global", "ManHeight", -1), 300);
    QCOMPARE(k4::ProfileFile::GetInt(rack, "Global", "WindowState", -1), 2);
    QCOMPARE(k4::ProfileFile::GetInt(rack, "Dev1", "Left", -1), 260);
    QCOMPARE(k4::ProfileFile::GetInt(rack, "Dev1", "Top", -1), 110);
    QCOMPARE(k4::ProfileFile::GetInt(rack, "Dev0", "Left", -1), 190);
}

void TestMainForm::restartReloadsLastWorkspaceAndPolls() {
    mapPortToLine();
    const QString rack = writeWorkspace(
        QStringLiteral("rack.DID"), k4test::WorkspaceText("rack.DID", {{1, "Alpha"}, {2, "Beta"}}));
    QVERIFY(k4::WriteLastFile(settingsPath(), rack));
    const QString moved = dir_->filePath(QStringLiteral("moved.DID"));
    {
        ProgramRun first(folder());
        QVERIFY(first.startUp());
        dialogs_->fileNames = {moved};
        first.item("FileSaveItem")->trigger();
        QVERIFY(QFile::exists(moved));
        first.item("FileExitItem")->trigger();
        QVERIFY(!first.form->isVisible());
        QCOMPARE(k4::ReadShellSettings(settingsPath()).lastFile, moved);
    }
    QVERIFY(!App().workspaceOpen());
    QVERIFY(!App().linkRunning());

    ProgramRun second(folder());
    QVERIFY(second.startUp());
    QVERIFY(App().workspaceOpen());
    QVERIFY(!App().WorkspaceModified);
    QCOMPARE(App().WorkspacePath, moved);
    QCOMPARE(second.form->windowTitle(), QStringLiteral("K4mgr - moved.DID"));
    QCOMPARE(App().Manager->table().lastIndex(), 1);
    QVERIFY(second.item("ROset")->isEnabled());

    // The devices are polled: kvtsim counts the polls and the panels show their displays.
    const int pollsBefore = k4test::PollsSeen(line_);
    QVERIFY(pollsBefore >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(k4test::PollsSeen(line_) > pollsBefore + 4, k4test::kPatienceMs);
    const auto shows = [](k4::TMDIChild* panel, const char* name) {
        QByteArray row;
        for (int i = 0; i < 24; ++i) {
            row += char(panel->LCDBuffer[std::size_t(i)] & 0x7F);
        }
        return row.contains(name);
    };
    QTRY_VERIFY_WITH_TIMEOUT(shows(App().Manager->panelOf(0), "Alpha"), k4test::kPatienceMs);
    QTRY_VERIFY_WITH_TIMEOUT(shows(App().Manager->panelOf(1), "Beta"), k4test::kPatienceMs);

    second.item("FileExitItem")->trigger();
    QVERIFY(!second.form->isVisible());
    QVERIFY(dialogs_->shown.isEmpty());
    QVERIFY(!App().linkRunning());
}

void TestMainForm::startupWithLastFileGone() {
    const QString gone = dir_->filePath(QStringLiteral("gone.DID"));
    QVERIFY(k4::ProfileFile::WriteString(settingsPath(), "KVT_WORKSPACE", "RS232Port", "4"));
    QVERIFY(k4::WriteLastFile(settingsPath(), gone));
    ProgramRun run(folder());
    QVERIFY(run.startUp());
    QVERIFY(!App().workspaceOpen());
    QCOMPARE(int(App().RS232Port), 4);
    QVERIFY(dialogs_->shown.isEmpty());
    run.item("FileOpenItem")->trigger();
    QCOMPARE(dialogs_->openRequests.size(), std::size_t(1));
    QCOMPARE(dialogs_->openRequests.front().fileName, gone);
    // A second activation does not run the start-up again.
    QVERIFY(k4::WriteLastFile(settingsPath(), QString()));
    run.form->FormActivate();
    run.item("FileOpenItem")->trigger();
    QCOMPARE(dialogs_->openRequests.back().fileName, gone);
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
