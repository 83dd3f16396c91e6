// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

namespace k4 {

class LinkPump;

// Connects the program's link to the rest of it: its effects go through App().Updates to the
// windows in App().Views (drained on the GUI thread by the pump returned), its messages go to the
// operator through UiDialogs(), and its port numbers name devices through the settings file.
// The pump must outlive every running link: stop App().Link before letting it go.
[[nodiscard]] std::unique_ptr<LinkPump> WireLink();

}  // namespace k4
