// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QMdiArea;

namespace k4 {

// What the rest of the program needs of the main window. The main window implements it; until it
// exists (and in tests) a bare frame around a QMdiArea stands in.
class MainFrame {
public:
    virtual ~MainFrame() = default;
    // The multiple-document area that holds the manager, panel and macro windows.
    virtual QMdiArea* mdiArea() = 0;
    virtual void setTitle(const QString& title) = 0;
    // Enables the Read only and Macro Window items once a workspace exists.
    virtual void enableWorkspaceItems() = 0;
    // 0 normal, 1 minimized, 2 maximized.
    virtual int windowStateCode() const = 0;
    virtual void setWindowStateCode(int code) = 0;
};

}  // namespace k4
