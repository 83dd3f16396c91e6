#include "link/portchoice.h"

#include "core/profilefile.h"
#include "link/netport.h"
#include "link/portpath.h"

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
        result.entries.push_back({QStringLiteral("COM%1").arg(configuredPort), configuredPort});
        result.selected = kListedPorts;
    }
    return result;
}

std::optional<QString> DeviceToStore(int port, const QString& typed, const QString& currentPath) {
    if (port < 1) {
        return std::nullopt;  // no device can be named for it
    }
    const QString wanted = typed.trimmed();
    const QString effective = wanted.isEmpty() ? PlatformPortPath(port) : wanted;
    if (effective == currentPath) {
        return std::nullopt;
    }
    return wanted;
}

bool SavePortChoice(const QString& settingsPath, std::int8_t port,
                    const std::optional<QString>& device, const std::optional<int>& marginMs) {
    ProfileFile file(settingsPath);
    file.writeInt("KVT_WORKSPACE", "RS232Port", port);
    if (device) {
        file.writeString(kPortsSection, "COM" + QByteArray::number(port),
                         QFile::encodeName(*device));
    }
    if (marginMs) {
        file.writeInt(kPortsSection, MarginKey(port), *marginMs);
    }
    return file.save();
}

}  // namespace k4
