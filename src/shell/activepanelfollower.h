// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMdiArea;
class QMdiSubWindow;

namespace k4 {

// "Follow active panel": while the item is checked, the link polls the device of the active
// panel window on every other tick, so the display the operator works on refreshes many times a
// second. The choice is remembered in the settings file. With the item clear, or no panel
// active (the manager or the macro window is, or none), the link keeps its plain round robin.
class ActivePanelFollower final : public QObject {
public:
    // item: the checked menu item; area: the frame's client area whose active window counts.
    ActivePanelFollower(QMdiArea* area, QAction* item);

    // Once the settings file is known (after the start-up step): takes the remembered choice.
    void readSetting(const QString& settingsPath);
    // The operator checked or cleared the item: follow or stop, and remember it.
    void choose(bool on);

private:
    void followActive();

    QMdiArea* area_;
    QAction* item_;
    QString settingsPath_;
    bool settingRead_ = false;
};

}  // namespace k4
