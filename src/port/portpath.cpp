// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/portpath.h"

#include "core/profilefile.h"
#include "port/netaddress.h"
#include "port/netport.h"
#include "port/portchoice.h"
#include "port/qtserialio.h"

#include <QFileInfo>

#include <map>
#include <mutex>

namespace k4 {

namespace {

// Set on the GUI thread, read where a port is made (on the link thread).
std::mutex unsavedMutex;
std::map<int, QString>& UnsavedDevices() {
    static std::map<int, QString> devices;
    return devices;
}

}  // namespace

QString PlatformPortPath(int portNumber) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

bool PortsNeedDeviceNames() {
#ifdef Q_OS_WIN
    return false;
#else
    return true;
#endif
}

void SetUnsavedPortDevice(int portNumber, const std::optional<QString>& path) {
    const std::lock_guard lock(unsavedMutex);
    if (path) {
        UnsavedDevices()[portNumber] = *path;
    } else {
        UnsavedDevices().erase(portNumber);
    }
}

QString PortPath(int portNumber, const QString& settingsPath) {
    if (portNumber < 1) {
        return {};
    }
    {
        const std::lock_guard lock(unsavedMutex);
        const auto unsaved = UnsavedDevices().find(portNumber);
        if (unsaved != UnsavedDevices().end()) {
            return unsaved->second.isEmpty() ? PlatformPortPath(portNumber) : unsaved->second;
        }
    }
    if (!settingsPath.isEmpty() && QFileInfo::exists(settingsPath)) {
        const QByteArray key = "COM" + QByteArray::number(portNumber);
        const QByteArray mapped =
            ProfileFile::GetString(settingsPath, kPortsSection, key, {}, 1024);
        if (!mapped.isEmpty()) {
            return QString::fromLocal8Bit(mapped);
        }
    }
    return PlatformPortPath(portNumber);
}

PortFactory DefaultPortFactory(QString settingsPath) {
    return [settingsPath = std::move(settingsPath)](int portNumber) -> std::unique_ptr<SerialIo> {
        const QString path = PortPath(portNumber, settingsPath);
        if (IsNetAddress(path)) {
            return MakeNetPort(path,
                               std::chrono::milliseconds(PortMargin(portNumber, settingsPath)));
        }
        return std::make_unique<QtSerialIo>(path);
    };
}

}  // namespace k4
