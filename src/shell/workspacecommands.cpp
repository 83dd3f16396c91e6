// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/workspacecommands.h"

#include "core/programfiles.h"
#include "core/settingsfile.h"
#include "manager/kvtmanager.h"
#include "state/appstate.h"
#include "state/dialogs.h"
#include "state/mainframe.h"
#include "state/recordoperator.h"
#include "workspace/workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QTreeWidgetItem>

namespace k4 {

namespace {

const QString kModifiedQuestion = QStringLiteral("Workspace is modifed. Save current workspace?");
const QString kNothingForSave = QStringLiteral("Nothing for save!");
const QString kNewWorkspaceLabel = QStringLiteral("New workspace");

FileRequest WorkspaceFileRequest() {
    FileRequest request;
    request.filter = QStringLiteral("KVTKey workspace (*.DID)");
    request.defaultSuffix = QStringLiteral("DID");
    return request;
}

// The dialog adds the default extension to a name typed without one; not every platform dialog
// does, so the command makes sure of it the same way.
QString WithWorkspaceSuffix(const QString& path) {
    const QFileInfo info(path);
    if (info.fileName().contains(QLatin1Char('.'))) {
        return path;
    }
    return path + QStringLiteral(".DID");
}

QString OverwriteQuestion(const QString& path) {
    return QFileInfo(path).fileName() +
           QStringLiteral(" already exists.\nDo you want to replace it?");
}

bool IsExistingFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

void SetTitle(const QString& label) {
    if (App().Frame) {
        App().Frame->setTitle(WorkspaceCommands::TitleFor(label));
    }
}

}  // namespace

WorkspaceCommands::WorkspaceCommands(std::function<void(bool)> showReadOnlyMark)
    : showReadOnlyMark_(std::move(showReadOnlyMark)) {}

QString WorkspaceCommands::TitleFor(const QString& workspaceLabel) {
    return QStringLiteral("K4mgr - ") + workspaceLabel;
}

void WorkspaceCommands::afterLoad() {
    // A workspace just read from its file holds no unsaved change, whatever the one before held.
    App().WorkspaceModified = false;
    showReadOnlyMark_(App().ReadOnly);
}

void WorkspaceCommands::RunStartup(const QString& programDirectory) {
    AppState& app = App();
    if (app.StartupDone || startupRunning_) {
        return;
    }
    startupRunning_ = true;
    app.AppDir = ProgramFolder(programDirectory);
    // Beside the program, or in the user's configuration folder where the program's folder
    // cannot be written (an installed program).
    app.SettingsPath = SettingsPathFor(app.AppDir);
    app.SkinsDir = SkinsFolderFor(app.AppDir);

    const ProgramSettings settings = ReadProgramSettings(app.SettingsPath);
    if (IsRefusedFile(settings.fileCheck)) {
        UiDialogs().information(QStringLiteral("Settings file ") +
                                QDir::toNativeSeparators(app.SettingsPath) + QLatin1Char(' ') +
                                RefusalReason(settings.fileCheck) + QLatin1Char('!'));
    }
    app.RS232Port = settings.port;
    if (!settings.lastFile.isEmpty()) {
        openFileName_ = settings.lastFile;
    }
    // A file that is gone loads nothing and says nothing; one that is there but may not be read
    // (a pipe, a device, a huge file) is refused by the loader with a message.
    if (!settings.lastFile.isEmpty() && QFileInfo::exists(settings.lastFile) &&
        LoadWorkspace(settings.lastFile)) {
        afterLoad();
    }
    openFolder_ = app.AppDir;
    saveFolder_ = app.AppDir;
    app.StartupDone = true;
    startupRunning_ = false;
}

void WorkspaceCommands::New() {
    AppState& app = App();
    if (app.workspaceOpen() && UiDialogs().question(QStringLiteral("Close current workspace?"),
                                                    false) != Dialogs::Answer::Yes) {
        return;
    }
    CloseWorkspace();
    // The new workspace has no file yet: Save must ask for one rather than write over the file
    // of the workspace that was open before.
    app.WorkspacePath.clear();
    TMDIKVTMAN* manager = TMDIKVTMAN::OpenManagerWindow();
    QTreeWidgetItem* root = manager->AddRootNode(kNewWorkspaceLabel);
    SetTitle(root->text(0));
    // The mark stands for the whole program until changed, so the new tree obeys it too.
    manager->ApplyReadOnly();
    app.WorkspaceModified = true;
}

void WorkspaceCommands::Open() {
    if (App().WorkspaceModified &&
        UiDialogs().question(kModifiedQuestion, false) == Dialogs::Answer::Yes &&
        SaveAs() == SaveOutcome::WriteFailed) {
        // The operator asked to keep the changes and they could not be written: loading another
        // workspace now would throw them away.
        return;
    }
    FileRequest request = WorkspaceFileRequest();
    request.folder = openFolder_;
    request.fileName = openFileName_;
    const QString path = UiDialogs().openFileName(request);
    if (path.isEmpty()) {
        return;
    }
    if (LoadWorkspace(path)) {
        openFileName_ = path;
        afterLoad();
    }
}

void WorkspaceCommands::Save() {
    AppState& app = App();
    if (!app.workspaceOpen()) {
        UiDialogs().information(kNothingForSave);
        return;
    }
    if (!IsExistingFile(app.WorkspacePath)) {
        SaveAs();
        return;
    }
    // A failed write has been reported by SaveWorkspace; the changes stay marked as unsaved.
    if (SaveWorkspace(app.WorkspacePath)) {
        app.WorkspaceModified = false;
    }
}

WorkspaceCommands::SaveOutcome WorkspaceCommands::SaveAs() {
    AppState& app = App();
    if (!app.workspaceOpen()) {
        UiDialogs().information(kNothingForSave);
        return SaveOutcome::Cancelled;
    }
    FileRequest request = WorkspaceFileRequest();
    request.title = QStringLiteral("Save workspace");
    request.folder = saveFolder_;
    request.fileName = app.RootNode ? app.RootNode->text(0) : QString();
    request.confirmOverwrite = true;
    const QString chosen = UiDialogs().saveFileName(request);
    if (chosen.isEmpty()) {
        return SaveOutcome::Cancelled;
    }
    const QString path = WithWorkspaceSuffix(chosen);
    // The dialog asked about the name it returned; the extension may name another file, which
    // is not replaced without asking either.
    if (path != chosen && QFileInfo::exists(path) &&
        UiDialogs().question(OverwriteQuestion(path), false) != Dialogs::Answer::Yes) {
        return SaveOutcome::Cancelled;
    }
    if (!SaveWorkspace(path)) {
        // Reported already; the workspace keeps its label, its file and its place in the dialog,
        // and stays marked as unsaved.
        return SaveOutcome::WriteFailed;
    }
    saveFolder_ = QFileInfo(path).absolutePath();
    app.WorkspacePath = path;
    const QString label = QFileInfo(path).fileName();
    if (app.RootNode) {
        app.RootNode->setText(0, label);
    }
    SetTitle(label);
    app.WorkspaceModified = false;
    return SaveOutcome::Saved;
}

void WorkspaceCommands::ToggleReadOnly() {
    AppState& app = App();
    app.ReadOnly = !app.ReadOnly;
    RecordOperator(app.ReadOnly ? HistoryKind::ReadOnlySet : HistoryKind::ReadOnlyCleared, {});
    showReadOnlyMark_(app.ReadOnly);
    app.WorkspaceModified = true;
    if (app.Manager) {
        app.Manager->ApplyReadOnly();
    }
}

bool WorkspaceCommands::CloseSequence() {
    AppState& app = App();
    if (app.WorkspaceModified) {
        switch (UiDialogs().question(kModifiedQuestion, true)) {
            case Dialogs::Answer::Cancel:
                return false;
            case Dialogs::Answer::Yes:
                // A failed write keeps the program open, so the changes can still be saved
                // elsewhere; a cancelled dialog means the operator let them go.
                if (SaveAs() == SaveOutcome::WriteFailed) {
                    return false;
                }
                break;
            default:
                break;
        }
    }
    if (app.linkRunning()) {
        app.Link.StopLink();
    }
    // Before the start-up step there is no settings file to name; nothing is remembered then.
    if (!app.SettingsPath.isEmpty()) {
        WriteLastFile(app.SettingsPath, app.LastWorkspacePath);
    }
    return true;
}

}  // namespace k4
