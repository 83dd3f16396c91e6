// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace k4 {

// The workspace commands of the main window and its start-up and close steps, kept apart from
// the menus that trigger them. They work on the program-wide state (App()), ask through
// UiDialogs() and reach the main window only through App().Frame and the read-only hook.
class WorkspaceCommands {
public:
    // showReadOnlyMark puts the Read only mark on the menu item after something changed it.
    explicit WorkspaceCommands(std::function<void(bool)> showReadOnlyMark);

    // Runs once, at the main window's first activation: works out the program folder and the
    // settings file, reads the port and the last workspace and reopens it. A second call, also
    // one made while the step is still running (a message box of the link re-activates the
    // window), does nothing.
    void RunStartup(const QString& programDirectory);

    // How a Save As ended: stored, cancelled in its dialog, or the write failed (already reported).
    enum class SaveOutcome { Saved, Cancelled, WriteFailed };

    void New();
    void Open();
    void Save();
    SaveOutcome SaveAs();
    void ToggleReadOnly();
    // The questions and steps before the main window closes. False when the operator chose
    // Cancel, or chose to save and the write failed: the window stays open, nothing is lost and
    // nothing has been written.
    bool CloseSequence();

    // What the file dialogs start with (exposed for the tests and the About of the dialogs).
    const QString& openFolder() const { return openFolder_; }
    const QString& openFileName() const { return openFileName_; }
    const QString& saveFolder() const { return saveFolder_; }

    static QString TitleFor(const QString& workspaceLabel);

private:
    void afterLoad();

    std::function<void(bool)> showReadOnlyMark_;
    bool startupRunning_ = false;
    QString openFolder_;
    QString openFileName_;
    QString saveFolder_;
};

}  // namespace k4
