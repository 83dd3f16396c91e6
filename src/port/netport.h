// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "port/serialio.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace k4 {

// The time a port's line on the network may add to a reply, on top of the local read time:
// key COM<n>Margin of KVT_PORTS, in milliseconds.
inline constexpr int kDefaultMarginMs = 60;
inline constexpr int kMaxMarginMs = 2000;
QByteArray MarginKey(int portNumber);
// The margin of port n from the settings file, kDefaultMarginMs when unset, kept to 0 to
// kMaxMarginMs. A margin chosen this run that could not be saved (SetUnsavedPortMargin) comes
// first.
int PortMargin(int portNumber, const QString& settingsPath);
// A margin chosen for port n in this run that the settings file could not take: it holds until
// the program ends, ahead of the file. nullopt forgets it.
void SetUnsavedPortMargin(int portNumber, std::optional<int> marginMs);

// The line behind a network address, with margin added to its reply time.
std::unique_ptr<SerialIo> MakeNetPort(const QString& address, std::chrono::milliseconds margin);

}  // namespace k4
