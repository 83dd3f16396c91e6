// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace k4 {

// The file the node exporter's text-file collector reads from the chosen folder.
inline constexpr char kTextfileName[] = "k4mgr.prom";

// Writes text as folder/k4mgr.prom in one piece: to a temporary name the collector skips, then
// renamed over the old file, so a scrape never reads half of it. Returns empty on success, else
// "cannot write FILE: why".
QString WriteTextfile(const QString& folder, const QByteArray& text);

}  // namespace k4
