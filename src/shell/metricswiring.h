// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QObject;
class QStatusBar;

namespace k4 {

class MetricsExporter;

// Makes the console's exporter (owned by parent) over the open workspace's table, the link's poll
// counters and the line's events, and serves as the settings file says. A problem (a port taken,
// a folder that cannot be written) shows on the status line; the console works on. Call once the
// settings file is known.
MetricsExporter* StartMetrics(QObject* parent, QStatusBar* statusBar);

}  // namespace k4
