#include "link/serialdevices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>

namespace k4 {

namespace {

// The first name in stableFolder that leads to location; empty when none does.
QString StableName(const QString& location, const QString& stableFolder) {
    const QString target = QFileInfo(location).canonicalFilePath();
    if (target.isEmpty() || stableFolder.isEmpty()) {
        return {};
    }
    const QFileInfoList names =
        QDir(stableFolder)
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& name : names) {
        if (name.canonicalFilePath() == target) {
            return name.absoluteFilePath();
        }
    }
    return {};
}

}  // namespace

std::vector<SerialPortFacts> PresentSerialPorts() {
    std::vector<SerialPortFacts> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.push_back(
            {info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber()});
    }
    return ports;
}

std::vector<SerialDeviceRow> SerialDeviceRows(const std::vector<SerialPortFacts>& ports,
                                              const QString& stableFolder) {
    std::vector<SerialDeviceRow> rows;
    for (const SerialPortFacts& port : ports) {
        const QString stable = StableName(port.location, stableFolder);
        const QString path = stable.isEmpty() ? port.location : stable;
        QStringList parts;
        const auto add = [&parts](const QString& part) {
            if (!part.trimmed().isEmpty() && !parts.contains(part.trimmed())) {
                parts << part.trimmed();
            }
        };
        if (path != port.location) {
            add(QFileInfo(port.location).fileName());
        }
        add(port.description);
        add(port.manufacturer);
        if (!port.serialNumber.trimmed().isEmpty()) {
            add(QStringLiteral("serial ") + port.serialNumber.trimmed());
        }
        const QString text =
            parts.isEmpty()
                ? path
                : path + QStringLiteral(" (") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
        rows.push_back({path, text});
    }
    std::sort(rows.begin(), rows.end(),
              [](const SerialDeviceRow& a, const SerialDeviceRow& b) { return a.path < b.path; });
    return rows;
}

QString DeviceLocation(const QString& path) {
    if (path.contains(QLatin1Char('/'))) {
        return path;
    }
    return QStringLiteral("/dev/") + path;
}

QString DeviceWarning(const QString& path) {
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty()) {
        return {};
    }
    const QFileInfo device(DeviceLocation(trimmed));
    // A link to nothing (a pseudo-terminal that has gone) counts as missing.
    if (!device.exists()) {
        return trimmed +
               QStringLiteral(" does not exist now: the port will not open until it does.");
    }
    if (device.isDir()) {
        return trimmed + QStringLiteral(" is a folder, not a serial device.");
    }
    return {};
}

}  // namespace k4
