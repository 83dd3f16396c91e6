// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QAction;
class QMenu;
class QStatusBar;

namespace k4 {

class MacroRunner;

// The "R&un macro" submenu at the end of the Setup menu: the twelve macros by name (Ctrl+F1 to
// Ctrl+F12), each enabled when it can run, and "&Stop macro" while a run goes on. The whole
// submenu waits for a workspace. It also makes the program's macro runner and shows the runs'
// progress in the status line.
class MacroRunMenu final : public QObject {
    Q_OBJECT
public:
    MacroRunMenu(QMenu& setup, QStatusBar& status, QObject* parent);
    ~MacroRunMenu() override;

    // Captions from the macro names; what is enabled from the macros, the workspace and the run.
    void refresh();
    QMenu* menu() const { return menu_; }

private:
    QMenu* menu_ = nullptr;
    QAction* runItems_[12] = {};
    QAction* stopItem_ = nullptr;
    MacroRunner* runner_ = nullptr;
};

}  // namespace k4
