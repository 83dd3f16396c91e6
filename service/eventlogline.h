// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/linkevent.h"

#include <QString>

namespace k4 {

// The service's log line for one turn of the line or of a device, without a time stamp (the
// journal adds one): "COM1 (/dev/ttyS0): line lost, retrying", "ID=5 Encoder A: no reply,
// failure episode 3". deviceLabel is the device's tree label ("ID=5 Encoder A"); line events do
// not use it.
QString EventLogLine(const LinkEvent& event, const QString& deviceLabel);

// "0.8 s", "12 s", "3 min 20 s", "2 h 5 min": how long a device or the line was gone.
QString GoneText(std::int64_t ns);

}  // namespace k4
