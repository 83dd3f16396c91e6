// SPDX-License-Identifier: GPL-3.0-or-later
// The main window from start to exit, in a program folder of its own, with the workspaces' link
// talking to kvtsim: start-up, the close sequence, Read only, window places and a restart.
#include "displaytext.h"
#include "linefixture.h"
#include "manager/devicetree.h"
#include "manager/kvtmanager.h"
#include "panel/mdichild.h"
#include "scripteddialogs.h"

#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTimer>

#include <functional>

using k4::App;
using k4test::kModified;
using k4test::ProgramRun;
using Answer = k4::Dialogs::Answer;

namespace {

const QString kNothing = QStringLiteral("Nothing for save!");

// Plays the operator at the next real message box: once one is up, notes its text and acts on it.
void AtNextMessageBox(const std::function<void(QMessageBox&)>& act, QString* text) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        *text = box->text();
        act(*box);
    });
    timer->start();
}

}  // namespace

class TestMainForm : public k4test::LineTest {
    Q_OBJECT
private Q_SLOTS:
    void firstStartWithoutSettings();
    void exitRightAfterNewAsks();
    void cancelKeepsRunningAndLastFile();
    void readOnlyTwiceLeavesMarkButModified();
    void newWorkspaceObeysReadOnlyMark();
    void movingWindowsIsNoChangeButIsSaved();
    void restartReloadsLastWorkspaceAndPolls();
    void startupWithLastFileGone();
};

void TestMainForm::firstStartWithoutSettings() {
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr"));
    QCOMPARE(App().AppDir, k4::ProgramFolder(fx_.folder()));
    QCOMPARE(App().SettingsPath, App().AppDir + QStringLiteral("KVT.INI"));
    QCOMPARE(int(App().RS232Port), 1);
    QVERIFY(!App().workspaceOpen());
    QVERIFY(!run.item("ROset")->isEnabled());
    QVERIFY(!run.item("MacroWindow")->isEnabled());

    run.item("FileCloseItem")->trigger();
    run.item("FileSaveItem")->trigger();
    QCOMPARE(fx_.dialogs->shown, QStringList({kNothing, kNothing}));
    QVERIFY(fx_.dialogs->saveRequests.empty());

    QVERIFY(!QFile::exists(fx_.settingsPath()));
    run.item("FileExitItem")->trigger();
    QVERIFY(!run.form->isVisible());
    QCOMPARE(fx_.dialogs->shown.size(), 2);  // no question
    QCOMPARE(k4test::ReadBytes(fx_.settingsPath()), QByteArray("[KVT_WORKSPACE]\r\nLastFile=\r\n"));
}

void TestMainForm::exitRightAfterNewAsks() {
    QVERIFY(fx_.mapPortToLine());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    run.item("FileNewItem")->trigger();
    QVERIFY(fx_.dialogs->shown.isEmpty());  // nothing was open: nothing to ask
    QVERIFY(App().workspaceOpen());
    QCOMPARE(run.form->windowTitle(), QStringLiteral("K4mgr - New workspace"));
    QCOMPARE(App().RootNode->text(0), QStringLiteral("New workspace"));
    QVERIFY(App().WorkspaceModified);
    QVERIFY(run.item("ROset")->isEnabled());
    QVERIFY(run.item("MacroWindow")->isEnabled());
    QVERIFY(App().linkRunning());

    fx_.dialogs->answers = {Answer::No};
    run.item("FileExitItem")->trigger();
    QCOMPARE(fx_.dialogs->shown, QStringList{kModified});
    QCOMPARE(fx_.dialogs->questionHadCancel, std::deque<bool>{true});
    QVERIFY(!run.form->isVisible());
    QVERIFY(!App().linkRunning());
    QCOMPARE(k4::ReadProgramSettings(fx_.settingsPath()).lastFile, QString());
}

void TestMainForm::cancelKeepsRunningAndLastFile() {
    QVERIFY(fx_.mapPortToLine());
    QVERIFY(k4::WriteLastFile(fx_.settingsPath(), fx_.dir->filePath(QStringLiteral("gone.DID"))));
    const QByteArray before = k4test::ReadBytes(fx_.settingsPath());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QVERIFY(!App().workspaceOpen());  // the last file does not exist
    run.item("FileNewItem")->trigger();

    fx_.dialogs->answers = {Answer::Cancel};
    QVERIFY(!run.form->close());
    QVERIFY(run.form->isVisible());
    QVERIFY(App().linkRunning());
    QVERIFY(App().WorkspaceModified);
    QCOMPARE(k4test::ReadBytes(fx_.settingsPath()), before);

    // The same through the menu item.
    fx_.dialogs->answers = {Answer::Cancel};
    run.item("FileExitItem")->trigger();
    QVERIFY(run.form->isVisible());
    QCOMPARE(fx_.dialogs->shown, QStringList({kModified, kModified}));
    QCOMPARE(k4test::ReadBytes(fx_.settingsPath()), before);

    // The program's own message box: Escape and its close box are Cancel too.
    fx_.dialogs.reset();
    const std::function<void(QMessageBox&)> ways[] = {
        [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); },
        [](QMessageBox& box) { box.close(); },
    };
    for (const auto& way : ways) {
        QString asked;
        AtNextMessageBox(way, &asked);
        run.item("FileExitItem")->trigger();
        QCOMPARE(asked, kModified);
        QVERIFY(run.form->isVisible());
        QVERIFY(App().workspaceOpen());
        QVERIFY(App().WorkspaceModified);
        QVERIFY(App().linkRunning());
        QCOMPARE(k4test::ReadBytes(fx_.settingsPath()), before);
    }
}

void TestMainForm::readOnlyTwiceLeavesMarkButModified() {
    const QString rack = fx_.startsWithRack({{1, "Alpha"}});
    QVERIFY(!rack.isEmpty());
    ProgramRun run(fx_.folder());
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
    const QString rack = fx_.startsWithRack({{1, "Alpha"}}, 1);
    QVERIFY(!rack.isEmpty());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    // The loaded mark shows on the menu item.
    QVERIFY(App().ReadOnly);
    QVERIFY(run.item("ROset")->isChecked());

    fx_.dialogs->answers = {Answer::Yes};
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
    const QString rack = fx_.startsWithRack({{1, "Alpha"}, {2, "Beta"}});
    QVERIFY(!rack.isEmpty());
    ProgramRun run(fx_.folder());
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
    QVERIFY(fx_.dialogs->saveRequests.empty());
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
    const QString rack = fx_.startsWithRack({{1, "Alpha"}, {2, "Beta"}});
    QVERIFY(!rack.isEmpty());
    const QString moved = fx_.dir->filePath(QStringLiteral("moved.DID"));
    {
        ProgramRun first(fx_.folder());
        QVERIFY(first.startUp());
        fx_.dialogs->fileNames = {moved};
        first.item("FileSaveItem")->trigger();
        QVERIFY(QFile::exists(moved));
        first.item("FileExitItem")->trigger();
        QVERIFY(!first.form->isVisible());
        QCOMPARE(k4::ReadProgramSettings(fx_.settingsPath()).lastFile, moved);
    }
    QVERIFY(!App().workspaceOpen());
    QVERIFY(!App().linkRunning());

    ProgramRun second(fx_.folder());
    QVERIFY(second.startUp());
    QVERIFY(App().workspaceOpen());
    QVERIFY(!App().WorkspaceModified);
    QCOMPARE(App().WorkspacePath, moved);
    QCOMPARE(second.form->windowTitle(), QStringLiteral("K4mgr - moved.DID"));
    QCOMPARE(App().Manager->table().lastIndex(), 1);
    QVERIFY(second.item("ROset")->isEnabled());

    // The devices are polled: kvtsim counts the polls and the panels show their displays.
    const int pollsBefore = k4test::PollsSeen(fx_.line);
    QVERIFY(pollsBefore >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(k4test::PollsSeen(fx_.line) > pollsBefore + 4, k4test::kPatienceMs);
    const auto shows = [](k4::TMDIChild* panel, const char* name) {
        return k4test::DisplayRowText(panel->LCDBuffer, 0).contains(name);
    };
    QTRY_VERIFY_WITH_TIMEOUT(shows(App().Manager->panelOf(0), "Alpha"), k4test::kPatienceMs);
    QTRY_VERIFY_WITH_TIMEOUT(shows(App().Manager->panelOf(1), "Beta"), k4test::kPatienceMs);

    second.item("FileExitItem")->trigger();
    QVERIFY(!second.form->isVisible());
    QVERIFY(fx_.dialogs->shown.isEmpty());
    QVERIFY(!App().linkRunning());
}

void TestMainForm::startupWithLastFileGone() {
    const QString gone = fx_.dir->filePath(QStringLiteral("gone.DID"));
    QVERIFY(k4::ProfileFile::WriteString(fx_.settingsPath(), "KVT_WORKSPACE", "RS232Port", "4"));
    QVERIFY(k4::WriteLastFile(fx_.settingsPath(), gone));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QVERIFY(!App().workspaceOpen());
    QCOMPARE(int(App().RS232Port), 4);
    QVERIFY(fx_.dialogs->shown.isEmpty());
    run.item("FileOpenItem")->trigger();
    QCOMPARE(fx_.dialogs->openRequests.size(), std::size_t(1));
    QCOMPARE(fx_.dialogs->openRequests.front().fileName, gone);
    // A second activation does not run the start-up again.
    QVERIFY(k4::WriteLastFile(fx_.settingsPath(), QString()));
    run.form->FormActivate();
    run.item("FileOpenItem")->trigger();
    QCOMPARE(fx_.dialogs->openRequests.back().fileName, gone);
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
