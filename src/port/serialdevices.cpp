// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/serialdevices.h"

#include "port/devicekind.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
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

bool IsNetworkAddress(const QString& path) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(path.trimmed()).hasMatch();
}

QString DeviceRefusal(const QString& path) {
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty() || IsNetworkAddress(trimmed)) {
        return {};
    }
    const DeviceFacts facts = LookAtDevice(DeviceLocation(trimmed));
    switch (facts.kind) {
        case DeviceKind::CharacterDevice:
        case DeviceKind::Missing:
            return {};
        case DeviceKind::RegularFile:
            return QStringLiteral("a file, not a serial device");
        case DeviceKind::Folder:
            return QStringLiteral("a folder, not a serial device");
        case DeviceKind::Other:
            return QStringLiteral("not a serial device");
        case DeviceKind::Unknown:
            break;
    }
    return facts.systemReason.isEmpty() ? QStringLiteral("not a serial device")
                                        : facts.systemReason;
}

QString DeviceWarning(const QString& path) {
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty() || IsNetworkAddress(trimmed)) {
        return {};
    }
    const QString refusal = DeviceRefusal(trimmed);
    if (!refusal.isEmpty()) {
        return trimmed + QStringLiteral(" is never opened: ") + refusal + QLatin1Char('.');
    }
    // A link to nothing (a pseudo-terminal that has gone) counts as missing.
    if (!QFileInfo::exists(DeviceLocation(trimmed))) {
        return trimmed +
               QStringLiteral(" does not exist now: the port will not open until it does.");
    }
    return {};
}

}  // namespace k4
