// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "port/serialio.h"

#include <QString>

#include <optional>

namespace k4 {

// The serial device behind port number n: the value of key "COM<n>" in section "KVT_PORTS" of the
// settings file when that key is there, otherwise the platform's own name for the port
// (/dev/ttyS<n-1> on Linux, COM<n> on Windows). Empty for a number below 1. A device chosen this
// run that could not be saved (SetUnsavedPortDevice) comes first.
QString PortPath(int portNumber, const QString& settingsPath);

// The platform's own name for port n: /dev/ttyS<n-1> on Linux, COM<n> on Windows.
QString PlatformPortPath(int portNumber);
// Whether a port number needs a device named for it: not where ports are COM names already.
bool PortsNeedDeviceNames();

// A device chosen for port n in this run that the settings file could not take: it names the port
// until the program ends, ahead of the file. nullopt forgets it.
void SetUnsavedPortDevice(int portNumber, const std::optional<QString>& path);

// Makes the line on PortPath(n, settingsPath): a Qt Serial Port line, or a line through a terminal
// server when the path is a network address (with the port's margin).
PortFactory DefaultPortFactory(QString settingsPath);

}  // namespace k4
