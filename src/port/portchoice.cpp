// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/portchoice.h"

#include "core/portnumber.h"
#include "core/profilefile.h"
#include "port/netport.h"
#include "port/portpath.h"

#include <QFile>

namespace k4 {

PortEntries PortEntriesFor(int configuredPort) {
    PortEntries result;
    for (int port = 1; port <= kListedPorts; ++port) {
        result.entries.push_back({QStringLiteral("COM%1").arg(port), port});
    }
    if (configuredPort >= 1 && configuredPort <= kListedPorts) {
        result.selected = configuredPort - 1;
    } else {
        const QString text = IsPortNumber(configuredPort)
                                 ? QStringLiteral("COM%1").arg(configuredPort)
                                 : QString::fromLatin1(kInvalidPortEntry);
        result.entries.push_back({text, IsPortNumber(configuredPort) ? configuredPort : kNoPort});
        result.selected = kListedPorts;
    }
    return result;
}

std::optional<QString> DeviceToStore(int port, const QString& typed, const QString& currentPath) {
    if (!IsPortNumber(port)) {
        return std::nullopt;  // no device can be named for it
    }
    const QString wanted = typed.trimmed();
    const QString effective = wanted.isEmpty() ? PlatformPortPath(port) : wanted;
    if (effective == currentPath) {
        return std::nullopt;
    }
    return wanted;
}

bool SavePortChoice(const QString& settingsPath, std::uint8_t port,
                    const std::map<int, QString>& devices, const std::map<int, int>& marginsMs) {
    ProfileFile file(settingsPath);
    file.writeInt("KVT_WORKSPACE", "RS232Port", port);
    for (const auto& [number, device] : devices) {
        file.writeString(kPortsSection, "COM" + QByteArray::number(number),
                         QFile::encodeName(device));
    }
    for (const auto& [number, margin] : marginsMs) {
        file.writeInt(kPortsSection, MarginKey(number), margin);
    }
    return file.save();
}

}  // namespace k4
