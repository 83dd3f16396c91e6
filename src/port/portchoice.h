// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace k4 {

// Section of the settings file that names the serial device of a port number: key COM<n>.
inline constexpr char kPortsSection[] = "KVT_PORTS";
// The ports the port selection offers.
inline constexpr int kListedPorts = 15;

struct PortEntry {
    QString text;  // "COM3"
    int port = 0;
};

// The entries of the port list and the one to select for the configured port: COM1 to COM15, and
// a configured port outside them (a hand-set 16) as one more entry at the end, so that confirming
// without a choice keeps the port instead of turning it into another. A configured port that
// cannot exist (0) is an entry that says so; it is never stored.
struct PortEntries {
    std::vector<PortEntry> entries;
    int selected = 0;
};
PortEntries PortEntriesFor(int configuredPort);

// The device to write for port when the operator leaves typed in the device field: nothing when
// it names the device the port opens already (currentPath, as PortPath gives it). A blank field
// means the platform's own device for the port (written as an empty value, which reads as unset).
std::optional<QString> DeviceToStore(int port, const QString& typed, const QString& currentPath);

inline constexpr char kInvalidPortEntry[] = "Invalid port number";

// Writes the port choice into the settings file in one save: RS232Port, COM<n> of KVT_PORTS for
// every port in devices and COM<n>Margin for every port in marginsMs. Every other byte of the file
// stays as it was. False when the file could not be written (it is then left as it was).
bool SavePortChoice(const QString& settingsPath, std::uint8_t port,
                    const std::map<int, QString>& devices,
                    const std::map<int, int>& marginsMs = {});

}  // namespace k4
