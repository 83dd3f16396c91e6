// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QString>

#include <cstdint>

namespace k4 {

// Where the console serves its metrics and writes them for the node exporter: section
// KVT_MONITORING of the settings file. An empty or missing address serves nothing; an empty
// folder writes nothing.
inline constexpr char kMonitoringSection[] = "KVT_MONITORING";
inline constexpr char kDefaultMetricsAddress[] = "127.0.0.1:9745";

struct MetricsSettings {
    QString address;         // MetricsAddress, "host:port"
    QString textfileFolder;  // TextfileFolder

    friend bool operator==(const MetricsSettings&, const MetricsSettings&) = default;
};

MetricsSettings ReadMetricsSettings(const QString& settingsPath);
// Writes the keys that differ from what the file holds, in one save; nothing when none does.
// False when the file could not be written.
bool SaveMetricsSettings(const QString& settingsPath, const MetricsSettings& settings);

// A "host:port" to listen on: an IPv4 address, an IPv6 address in brackets ("[::1]:9745"),
// "localhost" or "*" (every address), and a port of 1 to 65535.
struct ListenAddress {
    QHostAddress host;
    std::uint16_t port = 0;
    QString error;  // why the text names no address; empty when it does
    bool ok() const { return error.isEmpty(); }
};
ListenAddress ParseListenAddress(const QString& text);

// The plain warning for an address reachable from elsewhere; empty for a loopback one.
QString ExposureWarning(const ListenAddress& address);

}  // namespace k4
