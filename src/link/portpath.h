#pragma once

#include "link/trs232flow.h"

#include <QString>

namespace k4 {

// The serial device behind port number n: the value of key "COM<n>" in section "KVT_PORTS" of the
// settings file when that key is there, otherwise the platform's own name for the port
// (/dev/ttyS<n-1> on Linux, COM<n> on Windows). Empty for a number below 1.
QString PortPath(int portNumber, const QString& settingsPath);

// Makes a Qt Serial Port line on PortPath(n, settingsPath).
PortFactory DefaultPortFactory(QString settingsPath);

}  // namespace k4
