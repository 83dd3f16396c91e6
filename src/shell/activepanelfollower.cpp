// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/activepanelfollower.h"

#include "core/settingsfile.h"
#include "panel/mdichild.h"
#include "state/appstate.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace k4 {

ActivePanelFollower::ActivePanelFollower(QMdiArea* area, QAction* item)
    : QObject(area), area_(area), item_(item) {
    connect(area_, &QMdiArea::subWindowActivated, this, &ActivePanelFollower::followActive);
}

void ActivePanelFollower::readSetting(const QString& settingsPath) {
    if (settingRead_) {
        return;
    }
    settingRead_ = true;
    settingsPath_ = settingsPath;
    item_->setChecked(ReadProgramSettings(settingsPath).followActive);
    followActive();
}

void ActivePanelFollower::choose(bool on) {
    item_->setChecked(on);
    if (!settingsPath_.isEmpty()) {
        WriteFollowActive(settingsPath_, on);
    }
    followActive();
}

void ActivePanelFollower::followActive() {
    PanelHandle panel = kNoHandle;
    if (item_->isChecked()) {
        QMdiSubWindow* active = area_->activeSubWindow();
        if (const auto* child =
                qobject_cast<const TMDIChild*>(active ? active->widget() : nullptr)) {
            panel = child->handle();
        }
    }
    App().Link.followPanel(panel);
}

}  // namespace k4
