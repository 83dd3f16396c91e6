// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The workspace both benchmarks save and load: devices 1 to n, in rows of ten as an operator lays
// them out, each named "Transcoder <slot>" followed by nameTail.
#include "core/workspacefile.h"

#include <QString>

#include <cstdint>

namespace k4bench {

inline k4::WorkspaceFileData BenchWorkspace(int devices, const QString& nameTail,
                                            const QString& skin) {
    k4::WorkspaceFileData data;
    data.ManWidth = 178;
    data.ManHeight = 383;
    for (int i = 0; i < devices; ++i) {
        k4::WorkspaceDevice device;
        device.DeviceName = QStringLiteral("Transcoder %1").arg(i) + nameTail;
        device.flags = 1;
        device.DevID = static_cast<std::uint8_t>(i + 1);
        device.Left = (i % 10) * 24;
        device.Top = (i / 10) * 24;
        device.Skin = skin;
        data.Devices.push_back(device);
    }
    return data;
}

}  // namespace k4bench
