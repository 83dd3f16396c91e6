// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace k4 {

class MacroRunner;

// The program's macro runner: made by the main window (its parent), sending through the
// program's link and told of every ended key command by the link's views. Null while none exists.
MacroRunner* ProgramMacroRunner();
MacroRunner* InstallProgramMacroRunner(QObject* parent);

// Whether macro index (0 to 11) can run: its key sequence is good and holds a key, and it marks
// at least one device.
bool MacroRunnable(int index);
// Why macro index cannot run, in a few words for the operator; empty when it can.
QString MacroNotRunnableReason(int index);
// Someone changed the program's macro content (a save in the macro window, a workspace loaded):
// whoever shows what can run looks again. One listener; empty to stop.
void MacrosChanged();
void SetMacrosChangedListener(std::function<void()> listener);

// Runs macro index with its stored content on those of its devices that are in the open
// workspace. Nothing without a workspace or when it cannot run; refused, with a status text,
// while another run goes on.
void RunProgramMacro(int index);

}  // namespace k4
