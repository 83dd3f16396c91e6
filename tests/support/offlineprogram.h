// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program as window tests and the views benchmark run it without a main window or a line: a
// stand-in main window, scripted dialogs, and a link whose port never opens (so the link thread
// really runs and polls, and every exchange fails). The link's messages are kept and the ports it
// made are counted. The frame is not shown: a test that needs the windows visible shows it.
#include "deferreddeletes.h"
#include "port/serialio.h"
#include "scripteddialogs.h"
#include "state/appstate.h"
#include "testframe.h"

#include <QCoreApplication>
#include <QStringList>

#include <atomic>
#include <memory>

namespace k4test {

class OfflineProgram {
public:
    OfflineProgram() {
        k4::AppState& app = k4::App();
        app.Frame = &frame;
        app.WorkspaceModified = false;
        app.ReadOnly = false;
        app.Link.setMessageSink([this](const QString& text) { linkMessages << text; });
        app.Link.setPortFactory([counter = portsMade](int) -> std::unique_ptr<k4::SerialIo> {
            counter->fetch_add(1);
            return std::make_unique<k4::NoPort>();
        });
    }
    ~OfflineProgram() {
        flush();
        k4::App().Link.StopLink();
        k4::App().Link.setMessageSink([](const QString&) {});
        k4::App().Frame = nullptr;
    }
    OfflineProgram(const OfflineProgram&) = delete;
    OfflineProgram& operator=(const OfflineProgram&) = delete;

    // Windows closed by a command go once the event loop runs again.
    static void flush() { FlushDeletes(); }

    TestFrame frame;
    ScriptedDialogs dialogs;
    QStringList linkMessages;
    std::shared_ptr<std::atomic<int>> portsMade = std::make_shared<std::atomic<int>>(0);
};

}  // namespace k4test
