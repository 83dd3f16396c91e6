// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>

namespace k4 {

// What a local path names, as far as opening it as a serial line goes. Links are followed.
enum class DeviceKind : std::uint8_t {
    CharacterDevice,  // a serial port or a pseudo-terminal
    Missing,          // nothing there now (also a link that leads nowhere)
    RegularFile,
    Folder,
    Other,    // a pipe, a socket, a block device
    Unknown,  // the system would not say; DeviceFacts::systemReason tells why
};

struct DeviceFacts {
    DeviceKind kind = DeviceKind::Unknown;
    QString systemReason;
};

// Looks at path without opening it: opening some devices has side effects, so a path is opened
// only once it is known to name a serial line. The one place with the platform's own calls for
// this.
DeviceFacts LookAtDevice(const QString& path);

}  // namespace k4
