// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

namespace k4 {

// What the system says about one serial port it has now.
struct SerialPortFacts {
    QString location;  // the device file, such as /dev/ttyUSB0
    QString description;
    QString manufacturer;
    QString serialNumber;
};

// One line of the device chooser: the path to store, and the text the operator reads.
struct SerialDeviceRow {
    QString path;
    QString text;
};

// Where udev keeps names of serial adapters that do not change from one plug-in to the next.
inline constexpr char kStableSerialFolder[] = "/dev/serial/by-id";

// The serial ports the system has now (ptys are not among them).
std::vector<SerialPortFacts> PresentSerialPorts();

// Chooser rows for ports, sorted by path. A port reached by a name in stableFolder is offered by
// that name, which survives re-plugging where /dev/ttyUSB<n> does not; the text adds the device
// file, description, maker and serial number where known.
std::vector<SerialDeviceRow> SerialDeviceRows(const std::vector<SerialPortFacts>& ports,
                                              const QString& stableFolder);

// The device file a port path opens: Qt Serial Port reads a bare name ("ttyUSB0") as one in /dev.
QString DeviceLocation(const QString& path);

// True for an address of the form scheme://... (a line reached over the network): it names no
// local device, so the checks below leave it alone.
bool IsNetworkAddress(const QString& path);

// Why a port's device may not be opened ("a file, not a serial device", or the system's words
// when it would not say what the path is); empty when it may: a character device (a serial port,
// a pseudo-terminal, or a link to one), nothing there yet, or a network address. Looks without
// opening.
QString DeviceRefusal(const QString& path);

// A line for the operator about a path typed as a port's device, empty when nothing is amiss. A
// missing device is not refused (an adapter may be plugged in later), only pointed out.
QString DeviceWarning(const QString& path);

}  // namespace k4
