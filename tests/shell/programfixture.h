// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A program folder of its own for each test, and a main window started in it the way the program
// starts.
#include "deferreddeletes.h"
#include "shell/mainform.h"
#include "state/appstate.h"
#include "workspacetext.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QPair>
#include <QtTest>

#include <memory>

namespace k4test {

inline constexpr int kPatienceMs = 10000;

// Puts the program-wide values back to how a fresh program starts (the main window sets the
// rest when it is made).
inline void ResetProgramState() {
    k4::AppState& app = k4::App();
    app.AppDir.clear();
    app.SettingsPath.clear();
    app.WorkspacePath.clear();
    app.LastWorkspacePath.clear();
    app.WorkspaceModified = false;
    app.StartupDone = false;
    app.RS232Port = 1;
    app.ReadOnly = false;
}

// The main window in a program folder of its own, shown and activated like at program start.
class ProgramRun {
public:
    explicit ProgramRun(const QString& folder) : form(std::make_unique<k4::TMainForm>(folder)) {}
    ~ProgramRun() { end(); }

    bool startUp() {
        form->show();
        return QTest::qWaitForWindowActive(form.get(), kPatienceMs) && k4::App().StartupDone;
    }
    // The window goes as at the end of the program; the program-wide values go back to a fresh
    // start's.
    void end() {
        if (!form) {
            return;
        }
        form.reset();
        FlushDeletes();
        ResetProgramState();
    }
    QAction* item(const char* name) const {
        return form->findChild<QAction*>(QString::fromLatin1(name));
    }

    std::unique_ptr<k4::TMainForm> form;
};

}  // namespace k4test
