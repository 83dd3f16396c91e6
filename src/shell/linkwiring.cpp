// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/linkwiring.h"

#include "link/linkpump.h"
#include "port/portpath.h"
#include "state/appstate.h"
#include "state/dialogs.h"

namespace k4 {

std::unique_ptr<LinkPump> WireLink() {
    AppState& app = App();
    auto pump = std::make_unique<LinkPump>(app.Updates, app.Views);
    app.Link.setEffects(&app.Updates);
    app.Link.setLineTools(&app.Capture, &app.Scan);
    // A poll that changes nothing on the screen costs no hand-over, no wake-up and no paint.
    app.Link.setChangesOnly(true);
    app.Link.setMessageSink([](const QString& text) { UiDialogs().information(text); });
    // The settings file is known only after the start-up step, so it is looked up per port.
    app.Link.setPortFactory(
        [](int portNumber) { return DefaultPortFactory(App().SettingsPath)(portNumber); });
    return pump;
}

}  // namespace k4
