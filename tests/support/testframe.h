// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A stand-in for the main window in widget tests: an MDI area that records the title and the
// state of the workspace items.
#include "state/mainframe.h"

#include <QMdiArea>
#include <QString>

namespace k4test {

class TestFrame final : public k4::MainFrame {
public:
    TestFrame() { area.resize(1024, 768); }
    QMdiArea* mdiArea() override { return &area; }
    void setTitle(const QString& t) override { title = t; }
    void enableWorkspaceItems() override { workspaceItemsEnabled = true; }
    int windowStateCode() const override { return stateCode; }
    void setWindowStateCode(int code) override { stateCode = code; }

    QMdiArea area;
    QString title = QStringLiteral("K4mgr");
    bool workspaceItemsEnabled = false;
    int stateCode = 0;
};

}  // namespace k4test
