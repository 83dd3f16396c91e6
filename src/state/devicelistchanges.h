// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace k4 {

// The open workspace's device list changed: another workspace (or none), a device added or
// deleted, a device's ID or name edited. The manager says so; a window that lists the devices
// (the macro window) looks again. One listener; empty to stop.
void DeviceListChanged();
void SetDeviceListListener(std::function<void()> listener);

}  // namespace k4
